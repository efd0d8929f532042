#pragma once

#include "base/Result.h"

#include <QString>

namespace orvane {

// A find criterion of the form  Column = 'key'. The key is everything
// between the first quote after "=" and the last quote of the text, taken
// as it stands, so a quote inside the key neither breaks nor injects.
struct FindCriterion {
    QString column;
    QString key;

    static Result<FindCriterion> parse(const QString& criterion);
};

} // namespace orvane
