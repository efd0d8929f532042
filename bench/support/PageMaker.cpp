#include "PageMaker.h"

#include "store/Columns.h"

#include <cstdio>

namespace orvane::bench {

// "Price:" is found; offset 1 moves past it and the blank, so the twelve
// digits of the version are the compared piece.
void PageMaker::aimStringSearch(WatchEntry& entry)
{
    entry.set(Columns::kStringSearch, Value("Price:"));
    entry.set(Columns::kStringOffset, Value(1));
    entry.set(Columns::kStringLength, Value(12));
}

// Table 1, rows 2 to 4, cell 2; offset 3 skips "TD>" to the cell's text.
void PageMaker::aimTableSearch(WatchEntry& entry)
{
    entry.set(Columns::kTableNumber, Value(1));
    entry.set(Columns::kRowNumber, Value(2));
    entry.set(Columns::kColumnNumber, Value(2));
    entry.set(Columns::kRepeatCount, Value(3));
    entry.set(Columns::kStringOffset, Value(3));
    entry.set(Columns::kStringLength, Value(2));
    entry.set(Columns::kStringSearch, Value("OK"));
}

std::string PageMaker::page(int index, quint64 version, bool tableHit, qsizetype bytes)
{
    const std::string n = std::to_string(index);
    char price[32];
    std::snprintf(price, sizeof price, "%012llu", static_cast<unsigned long long>(version));
    const char* cell = tableHit ? "OK" : "NO";

    std::string out;
    out.reserve(static_cast<size_t>(bytes) + 256);
    out += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Watched page " + n
        + "</title></head>\n<body>\n<h1>Page " + n + " \xE2\x80\x93 today\xE2\x80\x99s figures</h1>\n";
    out += "<p>Price: " + std::string(price) + " EUR</p>\n";
    out += "<table border=\"1\">\n<tr><th>Item</th><th>State</th></tr>\n";
    for (const char* item : {"alpha", "beta", "gamma"})
        out += std::string("<tr><td>") + item + "</td><td>" + cell + "</td></tr>\n";
    out += "</table>\n";

    const std::string tail = "</body></html>\n";
    for (int k = 1; static_cast<qsizetype>(out.size() + tail.size()) < bytes; ++k) {
        out += "<p>Paragraph " + std::to_string(k) + " of page " + n
            + ": the quick brown fox jumps over the lazy dog, caf\xC3\xA9 au lait 2,50 \xE2\x82\xAC, "
              "and the list goes on with more words to read.</p>\n";
    }
    out += tail;
    return out;
}

} // namespace orvane::bench
