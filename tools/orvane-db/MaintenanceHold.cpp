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
        .arg(busy.value(ControlProtocol::kEntry).toInt())
        .arg(busy.value(ControlProtocol::kEntries).toInt());
}

} // namespace

Failure notReached(const ControlClient& client, const Failure& why)
{
    if (why.is(ErrorCode::ControlUntrusted))
        return ErrorCatalogue::failure(ErrorCode::ControlUntrusted,
                                       QStringLiteral("refused to talk to \"%1\": %2")
                                           .arg(QDir::toNativeSeparators(client.path()), why.description));
    return {
        why.number,
        QStringLiteral("nothing answers on \"%1\": %2").arg(QDir::toNativeSeparators(client.path()), why.description)};
}

Result<std::unique_ptr<MaintenanceHold>> MaintenanceHold::enter(const QString& dir, MaintenanceWait wait)
{
    const QDeadlineTimer cycleEnds(wait.forCycle), holderGone(wait.forHolder);
    bool toldCycle = false, toldHolder = false;
    for (;;) {
        auto client = std::make_unique<ControlClient>(dir);
        if (const Status connected = client->connectTo(QDeadlineTimer(kAnswerTime)); !connected.ok())
            return notReached(*client, connected.failure());
        const auto answer = client->ask({{ControlProtocol::kRequest, ControlProtocol::kMaintenance}},
                                        QDeadlineTimer(kAnswerTime));
        if (!answer.ok())
            return unanswered(*client, answer.failure());
        const QJsonObject& said = answer.value();
        if (said.value(ControlProtocol::kEntered).toBool())
            return std::unique_ptr<MaintenanceHold>(new MaintenanceHold(std::move(client)));
        if (said.contains(ControlProtocol::kWindow))
            return ErrorCatalogue::failure(
                ErrorCode::DbLocked,
                QStringLiteral("the %1 window is open in Orvane; close it first, nothing was changed")
                    .arg(said.value(ControlProtocol::kWindow).toString()));
        if (said.contains(ControlProtocol::kRefused))
            return ErrorCatalogue::failure(ErrorCode::ControlChannel,
                                           QStringLiteral("Orvane refused the connection: %1; nothing was changed")
                                               .arg(said.value(ControlProtocol::kRefused).toString()));
        if (said.contains(ControlProtocol::kHeld)) {
            if (holderGone.hasExpired())
                return ErrorCatalogue::failure(
                    ErrorCode::DbLocked,
                    wait.forHolder.count() == 0
                        ? QStringLiteral("another orvane-db is changing the database; nothing was changed (--wait "
                                         "SECONDS waits for it to finish)")
                        : QStringLiteral("another orvane-db was still changing the database after %1 s; nothing "
                                         "was changed")
                              .arg(wait.forHolder.count()));
            if (!toldHolder) {
                std::fprintf(stderr, "waiting for another orvane-db to finish changing the database\n");
                toldHolder = true;
            }
        } else if (said.contains(ControlProtocol::kBusy)) {
            const QJsonObject busy = said.value(ControlProtocol::kBusy).toObject();
            if (cycleEnds.hasExpired())
                return ErrorCatalogue::failure(
                    ErrorCode::DbLocked,
                    QStringLiteral("the wake-up cycle did not end within %1 s (%2); nothing was changed")
                        .arg(wait.forCycle.count())
                        .arg(entryOf(busy)));
            if (!toldCycle) {
                std::fprintf(stderr, "waiting for the wake-up cycle to end (%s)\n", qPrintable(entryOf(busy)));
                toldCycle = true;
            }
        } else {
            return unanswered(
                *client,
                ErrorCatalogue::failure(ErrorCode::ControlChannel, QStringLiteral("an answer that is none of ours")));
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
        return notReached(client, connected.failure());
    const auto answer = client.ask({{ControlProtocol::kRequest, ControlProtocol::kStatus}},
                                   QDeadlineTimer(kAnswerTime));
    client.close();
    if (!answer.ok())
        return unanswered(client, answer.failure());
    if (answer.value().contains(ControlProtocol::kRefused))
        return ErrorCatalogue::failure(ErrorCode::ControlChannel,
                                       QStringLiteral("Orvane refused the connection: %1")
                                           .arg(answer.value().value(ControlProtocol::kRefused).toString()));
    if (!answer.value().value(ControlProtocol::kStatus).isObject())
        return unanswered(
            client,
            ErrorCatalogue::failure(ErrorCode::ControlChannel, QStringLiteral("an answer that is none of ours")));
    return answer.value().value(ControlProtocol::kStatus).toObject();
}

} // namespace orvane::db
