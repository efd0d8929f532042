#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

namespace orvane {

// The pieces cut by the table search, one slot per examined row. Slots that
// were never filled read as the empty text, so a large slot count costs no
// memory until the search actually fills the slots.
class CellPieceList {
public:
    // Drops every piece and makes `slots` empty slots (slots >= 0).
    void recreate(qint32 slots)
    {
        filled_.clear();
        size_ = slots;
    }

    qint32 size() const { return size_; }

    const QString& at(qint32 slot) const
    {
        static const QString kEmpty;
        return slot >= 0 && static_cast<std::size_t>(slot) < filled_.size() ? filled_[static_cast<std::size_t>(slot)]
                                                                            : kEmpty;
    }

    // A slot outside [0, size) is ignored.
    void set(qint32 slot, QString piece)
    {
        if (slot < 0 || slot >= size_)
            return;
        const auto index = static_cast<std::size_t>(slot);
        if (index >= filled_.size())
            filled_.resize(index + 1);
        filled_[index] = std::move(piece);
    }

private:
    qint32 size_ = 0;
    std::vector<QString> filled_;
};

} // namespace orvane
