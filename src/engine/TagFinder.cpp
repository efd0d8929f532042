#include "engine/TagFinder.h"

#include <cstring>

namespace orvane {

TagFinder::TagFinder(QStringView page, const char* tag)
    : page_(page), tag_(tag), tagLength_(static_cast<qsizetype>(std::strlen(tag)))
{
    Q_ASSERT(tagLength_ > 0 && tag_[0] == '<');
}

bool TagFinder::matchesAt(qsizetype index) const
{
    if (index + tagLength_ > page_.size())
        return false;
    for (qsizetype k = 1; k < tagLength_; ++k) {
        if (!unitMatches(page_[index + k], tag_[k]))
            return false;
    }
    return true;
}

qsizetype TagFinder::next(qsizetype from)
{
    if (searchedFrom_ >= 0 && from >= searchedFrom_ && (found_ < 0 || from <= found_))
        return found_;

    // Only '<' itself upper-cases to '<', so the first unit is searched for
    // exactly, with the fast single-character search.
    qsizetype at = from;
    qsizetype hit = -1;
    while (at < page_.size()) {
        at = page_.indexOf(u'<', at);
        if (at < 0)
            break;
        if (matchesAt(at)) {
            hit = at;
            break;
        }
        ++at;
    }
    searchedFrom_ = from;
    found_ = hit;
    return hit;
}

} // namespace orvane
