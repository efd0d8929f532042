#pragma once

#include "base/MessageBoxes.h"

namespace orvane {

class QtMessageBoxes final : public MessageBoxes {
public:
    void warn(const QString& title, const QString& text) override;
};

} // namespace orvane
