#pragma once

#include <QString>

namespace orvane::test {

// What the save driver writes, shared with the test that checks what a kill
// left behind. A row's "Subject" and "String search" are saved together, so
// a row holds both of one version or both of the other.
//
// The two subjects come close to the column's 255 characters and their
// parts differ in length, so a subject pieced together from both, or cut
// short, equals neither.
inline QString savedSubject(char version)
{
    const QString filler = version == 'A' ? QString() : QStringLiteral(" again");
    QString subject;
    for (int part = 0;; ++part) {
        const QString next = QStringLiteral("subject %1%2 part %3 caf\u00e9 \u20ac; ")
                                 .arg(QLatin1Char(version))
                                 .arg(filler)
                                 .arg(part, 2, 10, QLatin1Char('0'));
        if (subject.size() + next.size() > 255)
            return subject;
        subject += next;
    }
}

// Filled to the box's 50 characters.
inline QString savedSearch(char version)
{
    const QString head = version == 'A' ? QStringLiteral("find A ") : QStringLiteral("find B again ");
    return head + QString(50 - head.size(), QLatin1Char(version));
}

inline const QString kAddedUrlStart = QStringLiteral("http://added.test/");
inline const QString kAddedEMail = QStringLiteral("added@example.test");

// Unique across driver runs (the process id) and never the start of another
// such URL (fixed widths), since rows are picked by URL.
inline QString addedUrl(qint64 pid, int n)
{
    return kAddedUrlStart + QStringLiteral("%1/%2").arg(pid, 10, 10, QLatin1Char('0')).arg(n, 6, 10, QLatin1Char('0'));
}

} // namespace orvane::test
