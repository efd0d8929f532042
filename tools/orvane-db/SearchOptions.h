#pragma once

#include "CommandLine.h"

#include "base/Result.h"
#include "store/WatchEntry.h"
#include "store/WatchStore.h"

#include <QCommandLineOption>
#include <QLatin1StringView>
#include <QString>

#include <utility>
#include <vector>

namespace orvane::db {

// The options that say how an entry's page is compared, --type and one per
// search box of the URL window: what add stores and check tries.
class SearchOptions {
public:
    // A column and the text typed for it, as into the window's box.
    using Texts = std::vector<std::pair<QString, QString>>;

    SearchOptions();

    void addTo(CommandLine& line) const;
    // Sets the --type given into the entry and appends the boxes given to
    // `texts`; fails on a type that is none of W, S and T.
    Status read(const CommandLine& line, WatchEntry& entry, Texts& texts) const;
    // Stores each text into the entry as the window's Save does, by the
    // column types of the store's file.
    static Status store(const WatchStore& store, const Texts& texts, WatchEntry& entry);

private:
    QCommandLineOption type_;
    std::vector<std::pair<QCommandLineOption, QLatin1StringView>> boxes_;
};

} // namespace orvane::db
