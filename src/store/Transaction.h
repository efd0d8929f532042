#pragma once

#include "base/Result.h"
#include "store/Database.h"

namespace orvane {

// One transaction on a database's connection: all of its changes are
// stored by commit(), or none. One that is let go without a commit rolls
// back, so that a failed step on the way needs no cleanup of its own.
class [[nodiscard]] Transaction {
public:
    // Takes the write lock now (BEGIN IMMEDIATE) rather than at the first
    // write, so that a busy file fails here, before any work.
    static Result<Transaction> begin(const Database& db);

    Transaction(Transaction&& other) noexcept;
    Transaction& operator=(Transaction&& other) noexcept;
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();

    // Stores the changes. A commit that fails leaves the transaction open,
    // to be rolled back when it is let go.
    [[nodiscard]] Status commit();

private:
    explicit Transaction(Database db) : db_(std::move(db)) { }
    void rollBack();

    Database db_; // closed once committed, rolled back or moved from
};

} // namespace orvane
