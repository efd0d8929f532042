#include "mainwindow/MainWindow.h"

#include "engine/Watcher.h"
#include "mainwindow/AppIcon.h"
#include "mainwindow/InputBlocker.h"
#include "widgets/DesignFont.h"
#include "widgets/Twips.h"

#include <QLabel>
#include <QPushButton>

namespace orvane {

MainWindow::MainWindow(MaintenanceOpener opener) : opener_(std::move(opener))
{
    setObjectName(QStringLiteral("fSentrel"));
    setWindowTitle(QStringLiteral("Orvane"));
    setWindowIcon(AppIcon::make());
    setFixedSize(twips(4680), twips(1200));
    setFont(designFont(font()));

    // Created in the design's order; the tab order follows it.
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
}

MainWindow::~MainWindow() = default;

void MainWindow::forwardButtonsTo(Watcher& watcher)
{
    connect(urlsButton_, &QPushButton::clicked, this, [&watcher] { watcher.openUrlWindow(); });
    connect(propertiesButton_, &QPushButton::clicked, this, [&watcher] { watcher.openPropertiesWindow(); });
}

void MainWindow::setStatus(const QString& caption)
{
    statusLine_->setText(caption);
}

QString MainWindow::status() const
{
    return statusLine_->text();
}

void MainWindow::showMaintenance(Maintenance window)
{
    opener_(window, this);
}

void MainWindow::setTakingInput(bool taking)
{
    if (taking)
        blocker_.reset();
    else if (!blocker_)
        blocker_ = std::make_unique<InputBlocker>(this);
}

} // namespace orvane
