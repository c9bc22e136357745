#pragma once
// One day of signal levels: 180 direction bins (2 degrees each) by 720 time slots (2 minutes
// each). The bins of one slot are contiguous: cell (bin, slot) is at slot * 180 + bin.

#include <array>
#include <cstdint>

namespace dtchart {

class SignalGrid {
public:
    static constexpr int Bins = 180;
    static constexpr int Slots = 720;
    static constexpr int CellCount = Bins * Slots;
    using Cells = std::array<std::int16_t, CellCount>;

    SignalGrid() { cells_.fill(0); }

    // Level of direction bin `bin` in time slot `slot`; raises error 9 outside the grid.
    std::int16_t at(int bin, int slot) const;

    // Unchecked access, for loops whose bounds are the grid's own.
    std::int16_t cell(int bin, int slot) const { return cells_[slot * Bins + bin]; }

    const Cells& cells() const { return cells_; }

    // Replaces every cell at once.
    void replace(const Cells& cells) { cells_ = cells; }

    friend bool operator==(const SignalGrid&, const SignalGrid&) = default;

private:
    Cells cells_;
};

}  // namespace dtchart
