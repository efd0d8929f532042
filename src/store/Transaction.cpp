#include "store/Transaction.h"

#include <utility>

namespace orvane {

Result<Transaction> Transaction::begin(const Database& db)
{
    if (Status begun = db.execute(QStringLiteral("BEGIN IMMEDIATE")); !begun.ok())
        return begun.failure();
    return Transaction(db);
}

Transaction::Transaction(Transaction&& other) noexcept : db_(std::exchange(other.db_, Database()))
{
}

Transaction& Transaction::operator=(Transaction&& other) noexcept
{
    if (this != &other) {
        rollBack();
        db_ = std::exchange(other.db_, Database());
    }
    return *this;
}

Transaction::~Transaction()
{
    rollBack();
}

Status Transaction::commit()
{
    if (Status done = db_.execute(QStringLiteral("COMMIT")); !done.ok())
        return done;
    db_.close();
    return {};
}

void Transaction::rollBack()
{
    if (db_.isOpen())
        (void)db_.execute(QStringLiteral("ROLLBACK"));
    db_.close();
}

} // namespace orvane
