#include "mainwindow/MainWindow.h"

#include "mainwindow/AppIcon.h"
#include "mainwindow/InputBlocker.h"
#include "widgets/DesignFont.h"
#include "widgets/Twips.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace orvane {

MainWindow::MainWindow(Workspace& workspace, EngineServices services, MaintenanceOpener opener, int timerIntervalMs)
    : watcher_(workspace, *this, services), opener_(std::move(opener))
{
    setObjectName(QStringLiteral("fSentrel"));
    setWindowTitle(QStringLiteral("Orvane"));
    setWindowIcon(AppIcon::make());
    setFixedSize(twips(4680), twips(1200));
    setFont(designFont(font()));

    // Created in the design's order; the tab order follows it.
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(timerIntervalMs);

    propertiesButton_ = new QPushButton(QStringLiteral("&Properties"), this);
    propertiesButton_->setObjectName(QStringLiteral("Command3"));
    propertiesButton_->setGeometry(twips(1680), twips(720), twips(1215), twips(375));

    urlsButton_ = new QPushButton(QStringLiteral("&URL's"), this);
    urlsButton_->setObjectName(QStringLiteral("Command2"));
    urlsButton_->setGeometry(twips(120), twips(720), twips(1095), twips(375));

    closeButton_ = new QPushButton(QStringLiteral("&Close"), this);
    closeButton_->setObjectName(QStringLiteral("Command1"));
    closeButton_->setGeometry(twips(3360), twips(720), twips(1215), twips(375));

    statusLine_ = new QLabel(QStringLiteral("Sleeping..."), this);
    statusLine_->setObjectName(QStringLiteral("Label2"));
    // It shows addresses, which may hold "<b>" or "&lt;": never markup.
    statusLine_->setTextFormat(Qt::PlainText);
    statusLine_->setGeometry(twips(120), twips(240), twips(4455), twips(255));
    statusLine_->setAutoFillBackground(true);
    QPalette white = statusLine_->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    statusLine_->setPalette(white);

    auto* caption = new QLabel(QStringLiteral("Status"), this);
    caption->setObjectName(QStringLiteral("Label1"));
    caption->setGeometry(twips(120), 0, twips(615), twips(255));

    QWidget::setTabOrder(closeButton_, urlsButton_);
    QWidget::setTabOrder(urlsButton_, propertiesButton_);

    connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);
    connect(urlsButton_, &QPushButton::clicked, this, [this] { watcher_.openUrlWindow(); });
    connect(propertiesButton_, &QPushButton::clicked, this, [this] { watcher_.openPropertiesWindow(); });
    connect(timer_, &QTimer::timeout, this, &MainWindow::tick);
}

bool MainWindow::load(bool anotherCopyRunning)
{
    if (!watcher_.load(anotherCopyRunning))
        return false;
    timer_->start();
    return true;
}

void MainWindow::setStatus(const QString& caption)
{
    statusLine_->setText(caption);
}

QString MainWindow::status() const
{
    return statusLine_->text();
}

void MainWindow::setTimerEnabled(bool enabled)
{
    if (enabled)
        timer_->start(); // restarts the interval
    else
        timer_->stop();
}

bool MainWindow::timerEnabled() const
{
    return timer_->isActive();
}

std::chrono::milliseconds MainWindow::tickInterval() const
{
    return timer_->intervalAsDuration();
}

std::chrono::milliseconds MainWindow::untilNextTick() const
{
    return timer_->remainingTimeAsDuration();
}

void MainWindow::showMaintenance(Maintenance window)
{
    opener_(window, this);
}

void MainWindow::tick()
{
    // A cycle runs on this thread; while it fetches, the window repaints
    // but takes no input, so nothing can start beside it.
    const InputBlocker blocker(this);
    watcher_.tick();
}

} // namespace orvane
