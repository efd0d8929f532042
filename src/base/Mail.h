#pragma once

#include <QString>
#include <QtGlobal>

#include <utility>
#include <vector>

namespace orvane {

// One mail as the alerts hand it to a mail client: where it goes, its
// headers in the order they are written, and its body.
struct Mail {
    using Header = std::pair<QString, QString>; // name, value

    QString server;
    qint32 port = 25;
    std::vector<Header> headers;
    QString body;

    // The first header of that name, whatever its case; empty when there is none.
    QString header(const QString& name) const
    {
        for (const auto& [n, value] : headers)
            if (n.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        return {};
    }

    friend bool operator==(const Mail&, const Mail&) = default;
};

} // namespace orvane
