#pragma once

#include <QChar>
#include <QStringView>
#include <QtGlobal>

namespace orvane {

// Finds one HTML tag text ("<TABLE", "<TR", "<TD", "</TR": '<', an optional
// '/', then upper-case ASCII letters) in a page, ignoring letter case the way
// an upper-cased copy of the page would (QChar::toUpper per UTF-16 unit),
// without making that copy. Besides the letter itself and its lower-case form
// only two units upper-case to an ASCII letter (dotless i to I, long s to S),
// and nothing but '<' and '/' upper-cases to those two; so for tags without I
// and S, comparing each unit against both ASCII forms finds the same matches.
//
// The scan point of the table search only moves forward, so the finder
// remembers its last answer: a later search from a point not past the
// occurrence found (or from anywhere after a search that found nothing)
// returns at once. Every character is thus looked at about once per tag.
class TagFinder {
public:
    // `tag` must outlive the finder and hold only '<', '/' and the letters
    // A-Z except I and S; `page` must outlive it too.
    TagFinder(QStringView page, const char* tag);

    // Index in the page of the first occurrence at or after `from`; -1 when
    // there is none.
    qsizetype next(qsizetype from);

    // Whether `unit` upper-cases to `tagChar`, for the characters a tag may hold.
    static bool unitMatches(QChar unit, char tagChar)
    {
        const char16_t u = unit.unicode();
        if (u == static_cast<unsigned char>(tagChar))
            return true;
        return tagChar >= 'A' && tagChar <= 'Z' && u == static_cast<char16_t>(tagChar - 'A' + 'a');
    }

private:
    bool matchesAt(qsizetype index) const;

    QStringView page_;
    const char* tag_;
    qsizetype tagLength_;
    qsizetype searchedFrom_ = -1; // start of the remembered search, -1 for none
    qsizetype found_ = -1;        // its answer
};

} // namespace orvane
