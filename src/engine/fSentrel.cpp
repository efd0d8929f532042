#include "engine/fSentrel.h"

#include "engine/InputBlocker.h"
#include "engine/SentrelIcon.h"
#include "engine/Twips.h"

namespace orvane {

fSentrel::fSentrel(mSentrel& module, EngineServices services, MaintenanceOpener opener, int timerIntervalMs)
    : engine_(module, *this, services), opener_(std::move(opener))
{
    setObjectName(QStringLiteral("fSentrel"));
    setWindowTitle(QStringLiteral("Orvane"));
    setWindowIcon(SentrelIcon::make());
    setFixedSize(twips(4680), twips(1200));

    // Created in the design's order; the tab order follows it.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(timerIntervalMs);

    Command3 = new QPushButton(QStringLiteral("&Properties"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(twips(1680), twips(720), twips(1215), twips(375));

    Command2 = new QPushButton(QStringLiteral("&URL's"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twips(120), twips(720), twips(1095), twips(375));

    Command1 = new QPushButton(QStringLiteral("&Close"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twips(3360), twips(720), twips(1215), twips(375));

    Label2 = new QLabel(QStringLiteral("Sleeping..."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twips(120), twips(240), twips(4455), twips(255));
    Label2->setAutoFillBackground(true);
    QPalette white = Label2->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    Label2->setPalette(white);

    Label1 = new QLabel(QStringLiteral("Status"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twips(120), 0, twips(615), twips(255));

    QWidget::setTabOrder(Command1, Command2);
    QWidget::setTabOrder(Command2, Command3);

    connect(Command1, &QPushButton::clicked, this, &fSentrel::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &fSentrel::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &fSentrel::Command3_Click);
    connect(Timer1, &QTimer::timeout, this, &fSentrel::Timer1_Timer);
}

bool fSentrel::Form_Load(bool anotherCopyRunning, const QString& programDir)
{
    if (!engine_.formLoad(anotherCopyRunning, programDir))
        return false;
    Timer1->start(); // enabled at design time
    return true;
}

void fSentrel::setStatus(const QString& caption)
{
    Label2->setText(caption);
}

QString fSentrel::status() const
{
    return Label2->text();
}

void fSentrel::setTimerEnabled(bool enabled)
{
    if (enabled)
        Timer1->start(); // restarts the interval
    else
        Timer1->stop();
}

bool fSentrel::timerEnabled() const
{
    return Timer1->isActive();
}

void fSentrel::showMaintenance(Maintenance window)
{
    opener_(window, this);
}

void fSentrel::Command1_Click()
{
    close();
}

void fSentrel::Command2_Click()
{
    engine_.command2Click();
}

void fSentrel::Command3_Click()
{
    engine_.command3Click();
}

void fSentrel::Timer1_Timer()
{
    // A cycle runs on this thread; while it fetches, the window repaints
    // but takes no input, so nothing can start beside it.
    const InputBlocker blocker(this);
    engine_.timer1Timer();
}

} // namespace orvane
