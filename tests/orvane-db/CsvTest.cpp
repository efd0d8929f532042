#include "QtPrinters.h"

#include "CsvReader.h"
#include "CsvWriter.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::db;
using Row = CsvReader::Row;

// Null against "", quotes, commas, line breaks and numbers, written and read
// back; what is no CSV fails, naming its row (the header row is 0).
TEST(Csv, WritesAndReadsBackEveryKindOfField)
{
    QBuffer out;
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    CsvWriter writer(out);
    for (const Value& v : {Value(), Value(""), Value("say \"hi\", then go"), Value("two\r\nlines"), Value(-1)})
        writer.add(v);
    ASSERT_TRUE(writer.endRow().ok());
    writer.add(Value("caf\u00e9"));
    ASSERT_TRUE(writer.endRow().ok());
    const QByteArray csv = ",\"\",\"say \"\"hi\"\", then go\",\"two\r\nlines\",-1\r\n\"caf\xC3\xA9\"\r\n";
    EXPECT_EQ(out.data(), csv);
    const auto rows = CsvReader::parse(csv);
    ASSERT_TRUE(rows.ok());
    EXPECT_EQ(rows.value(),
              (std::vector<Row> {{std::nullopt, "", "say \"hi\", then go", "two\r\nlines", "-1"},
                                 {QStringLiteral("caf\u00e9")}}));
    const std::pair<QByteArray, const char*> bad[] = {
        {"a\r\n\"b\"x\r\n", "row 1: "},       // a stray quote
        {"a\r\nb\r\n\"open\r\n", "row 2: "},  // never closed
        {"\"\xFF\"\r\n", "the header row: "}, // not UTF-8
        {"a\r\nb\r\nc,\"\xC3\"\r\n", "row 2: "},
    };
    for (const auto& [text, named] : bad) {
        const auto parsed = CsvReader::parse(text);
        EXPECT_TRUE(!parsed.ok() && parsed.failure().description.startsWith(QLatin1String(named)))
            << text.toStdString() << " " << (parsed.ok() ? "" : parsed.failure().description.toStdString());
    }
}
