#pragma once

#include "engine/MainView.h"
#include "platform/Clock.h"
#include "platform/MailClient.h"
#include "platform/PageFetcher.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramEnd.h"
#include "platform/ScreenPointer.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace orvane::test {

// Message boxes answered at once; each shown box is recorded.
class RecordingMessages final : public MessageBoxes {
public:
    void warn(const QString& title, const QString& text) override { shown.emplace_back(title, text); }
    std::vector<std::pair<QString, QString>> shown; // title, text
};

class RecordingPointer final : public ScreenPointer {
public:
    void set(Shape s) override
    {
        shape = s;
        ++changes;
    }
    Shape shape = Shape::Arrow;
    int changes = 0;
};

// Records the end of the program instead of ending the test.
class RecordingProgramEnd final : public ProgramEnd {
public:
    void endNow(int exitCode) override { code = exitCode; }
    std::optional<int> code;
};

class FixedClock final : public Clock {
public:
    explicit FixedClock(QDateTime t = QDateTime(QDate(2026, 12, 4), QTime(14, 30, 5))) : time(std::move(t)) {}
    QDateTime now() const override { return time; }
    QDateTime time;
};

// The main window as the engine sees it, without widgets.
class RecordingView final : public MainView {
public:
    void setStatus(const QString& caption) override
    {
        statusText = caption;
        captions.push_back(caption);
    }
    QString status() const override { return statusText; }
    void setTimerEnabled(bool enabled) override { timerOn = enabled; }
    bool timerEnabled() const override { return timerOn; }
    void showMaintenance(Maintenance window) override
    {
        opened.push_back(window);
        timerWhileOpen.push_back(timerOn);
    }

    QString statusText = QStringLiteral("Sleeping...");
    std::vector<QString> captions;
    bool timerOn = true;
    std::vector<Maintenance> opened;
    std::vector<bool> timerWhileOpen;
};

// A fetcher for tests that never reach a wake-up cycle.
class NoFetch final : public PageFetcher {
public:
    Result<QString> fetch(const QString&) override
    {
        ++calls;
        return Failure{1, QStringLiteral("no fetch in this test")};
    }
    int calls = 0;
};

// A mail client that hands nothing over and reports success.
class NoMail final : public MailClient {
public:
    void setServer(const QString&) override {}
    void setPort(qint32) override {}
    void clearHeaders() override {}
    void addHeader(const QString&, const QString&) override {}
    void send(const QString&) override { ++sends; }
    int status() const override { return 0; }
    int sends = 0;
};

} // namespace orvane::test
