#include "CsvReader.h"

#include "base/ErrorCatalogue.h"

#include <QStringDecoder>

#include <csv.h>

namespace orvane::db {

namespace {

struct Gathered {
    std::vector<CsvReader::Row> rows;
    CsvReader::Row row;
    std::optional<qsizetype> badTextRow;
};

void onField(void* data, size_t size, void* context)
{
    auto& g = *static_cast<Gathered*>(context);
    if (!data) {
        g.row.emplace_back(std::nullopt);
        return;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(static_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (utf8.hasError() && !g.badTextRow)
        g.badTextRow = static_cast<qsizetype>(g.rows.size());
    g.row.emplace_back(std::move(text));
}

void onRowEnd(int, void* context)
{
    auto& g = *static_cast<Gathered*>(context);
    g.rows.push_back(std::move(g.row));
    g.row.clear();
}

} // namespace

Failure CsvReader::rowFailure(qsizetype index, const QString& why)
{
    const QString row = index == 0 ? QStringLiteral("the header row") : QStringLiteral("row %1").arg(index);
    return ErrorCatalogue::failure(ErrorCode::InvalidArgument, row + QStringLiteral(": ") + why);
}

Result<std::vector<CsvReader::Row>> CsvReader::parse(const QByteArray& bytes)
{
    QByteArrayView text(bytes);
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3); // a byte-order mark some spreadsheets put first
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI | CSV_EMPTY_IS_NULL) != 0)
        return ErrorCatalogue::failure(ErrorCode::InvalidArgument, QStringLiteral("cannot start the CSV reader"));
    Gathered g;
    const size_t size = static_cast<size_t>(text.size());
    int error = CSV_SUCCESS;
    if (csv_parse(&parser, text.data(), size, onField, onRowEnd, &g) != size)
        error = csv_error(&parser);
    else if (csv_fini(&parser, onField, onRowEnd, &g) != 0)
        error = CSV_EPARSE; // a quoted field still open at the end
    csv_free(&parser);
    if (error != CSV_SUCCESS)
        return rowFailure(static_cast<qsizetype>(g.rows.size()), QString::fromLatin1(csv_strerror(error)));
    if (g.badTextRow)
        return rowFailure(*g.badTextRow, QStringLiteral("not UTF-8 text"));
    return std::move(g.rows);
}

} // namespace orvane::db
