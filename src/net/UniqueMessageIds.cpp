#include "net/UniqueMessageIds.h"

#include <QRandomGenerator>

namespace orvane {

namespace {

// Letters and digits keep the token a dot-atom, and shorter than in hex.
constexpr int kTokenBase = 36;

} // namespace

// 64 bits from the system's source: two programs started in the same second
// share a token once in 2^64, and a seeded generator could repeat at a restart.
UniqueMessageIds::UniqueMessageIds() : token_(QString::number(QRandomGenerator::system()->generate64(), kTokenBase))
{
}

QString UniqueMessageIds::next()
{
    return QLatin1Char('.') + QString::number(++issued_) + QLatin1Char('.') + token_;
}

} // namespace orvane
