#include "MaintenanceHold.h"

#include "base/ErrorCatalogue.h"
#include "control/ControlProtocol.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include <cstdio>

namespace orvane::db {

namespace {

Failure unanswered(const ControlClient& client, const Failure& why)
{
    return ErrorCatalogue::failure(ErrorCode::ControlChannel,
                                   QStringLiteral("Orvane runs but does not answer on \"%1\": %2")
                                       .arg(QDir::toNativeSeparators(client.path()), why.description));
}

QString entryOf(const QJsonObject& busy)
{
    return QStringLiteral("entry %1 of %2")
        .arg(busy.value(QStringLiteral("entry")).toInt())
        .arg(busy.value(QStringLiteral("entries")).toInt());
}

} // namespace

Result<std::unique_ptr<MaintenanceHold>> MaintenanceHold::enter(const QString& dir, std::chrono::seconds wait)
{
    const QDeadlineTimer waitEnds(wait);
    bool told = false;
    for (;;) {
        auto client = std::make_unique<ControlClient>(dir);
        if (const Status connected = client->connectTo(QDeadlineTimer(kAnswerTime)); !connected.ok())
            return unanswered(*client, connected.failure());
        const auto answer = client->ask({{ControlProtocol::kRequest, ControlProtocol::kMaintenance}},
                                        QDeadlineTimer(kAnswerTime));
        if (!answer.ok())
            return unanswered(*client, answer.failure());
        if (answer.value().value(ControlProtocol::kEntered).toBool())
            return std::unique_ptr<MaintenanceHold>(new MaintenanceHold(std::move(client)));
        if (answer.value().contains(ControlProtocol::kWindow))
            return ErrorCatalogue::failure(
                ErrorCode::DbLocked,
                QStringLiteral("the %1 window is open in Orvane; close it first, nothing was changed")
                    .arg(answer.value().value(ControlProtocol::kWindow).toString()));
        const QJsonObject busy = answer.value().value(ControlProtocol::kBusy).toObject();
        if (waitEnds.hasExpired())
            return ErrorCatalogue::failure(
                ErrorCode::DbLocked,
                QStringLiteral("the wake-up cycle did not end within %1 s (%2); nothing was changed")
                    .arg(wait.count())
                    .arg(entryOf(busy)));
        if (!told) {
            std::fprintf(stderr, "waiting for the wake-up cycle to end (%s)\n", qPrintable(entryOf(busy)));
            told = true;
        }
        client->close();
        QThread::msleep(static_cast<unsigned long>(kRetryInterval.count()));
    }
}

MaintenanceHold::~MaintenanceHold()
{
    (void)end();
}

Status MaintenanceHold::end()
{
    if (!client_)
        return {};
    const auto client = std::move(client_);
    const auto answer = client->ask({{ControlProtocol::kRequest, ControlProtocol::kEnd}}, QDeadlineTimer(kAnswerTime));
    client->close();
    if (!answer.ok())
        return unanswered(*client, answer.failure());
    return {};
}

Result<QJsonObject> MaintenanceHold::askStatus(const QString& dir)
{
    ControlClient client(dir);
    if (const Status connected = client.connectTo(QDeadlineTimer(kAnswerTime)); !connected.ok())
        return connected.failure();
    const auto answer = client.ask({{ControlProtocol::kRequest, ControlProtocol::kStatus}},
                                   QDeadlineTimer(kAnswerTime));
    client.close();
    if (!answer.ok())
        return unanswered(client, answer.failure());
    return answer.value().value(ControlProtocol::kStatus).toObject();
}

} // namespace orvane::db
