#pragma once

#include "base/Clock.h"
#include "base/MailClient.h"
#include "base/MessageBoxes.h"
#include "base/PageFetcher.h"
#include "base/ProgramEnd.h"
#include "base/ScreenPointer.h"
#include "engine/MainView.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <map>
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
    void set(Shape s) override { shape = s; }
    Shape shape = Shape::Arrow;
};

// Records the end of the program instead of ending the test.
class RecordingProgramEnd final : public ProgramEnd {
public:
    void endNow(int exitCode) override { code = exitCode; }
    std::optional<int> code;
};

class FixedClock final : public Clock {
public:
    explicit FixedClock(QDateTime t = QDateTime(QDate(2026, 12, 4), QTime(14, 30, 5))) : time(std::move(t)) { }
    QDateTime now() const override { return time; }
    QDateTime time;
};

// The main window as the watcher sees it, without widgets.
class RecordingView final : public MainView {
public:
    void setStatus(const QString& caption) override
    {
        statusText = caption;
        captions.push_back(caption);
    }
    QString status() const override { return statusText; }
    void showMaintenance(Maintenance window) override
    {
        opened.push_back(window);
        whileOpen();
    }

    QString statusText = QStringLiteral("Sleeping...");
    std::vector<QString> captions;
    std::vector<Maintenance> opened;
    std::function<void()> whileOpen = [] {}; // what happens while a window is open
};

// Pages by address, set by the test; every request is logged. An address
// without a page fails like an unknown host.
class ScriptedFetcher final : public PageFetcher {
public:
    using PageFetcher::fetch;
    Result<QString> fetch(const QString& url, const QString&) override
    {
        requested.push_back(url);
        if (const auto it = pages.find(url); it != pages.end())
            return it->second;
        return Failure {10006, QStringLiteral("Could not resolve host name")};
    }
    void idle() override { ++idles; }

    std::map<QString, Result<QString>> pages;
    std::vector<QString> requested;
    int idles = 0;
};

// Keeps every mail instead of sending it; each send answers `next`.
class RecordingMailer final : public MailClient {
public:
    Status send(const Mail& mail) override
    {
        sent.push_back(mail);
        return next;
    }

    std::vector<Mail> sent;
    Status next;
};

} // namespace orvane::test
