#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace orvane {

// A page as a fetch got it, with what the answer said about it: what a
// person setting up an entry wants to see, beside the text the cycle uses.
struct FetchedPage {
    QString text;
    QString finalUrl; // after the redirects
    long httpStatus = 0;
    qint64 wireBytes = 0;       // the body as it came, before curl undid its encoding
    QByteArray contentEncoding; // empty when the body came as it is
    QByteArray charset;         // the one the text was read in
    QByteArray etag;            // empty when the server sent none
    QByteArray lastModified;    // likewise
};

} // namespace orvane
