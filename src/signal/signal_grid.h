#pragma once
// One day of signal levels: 180 direction bins (2 degrees each) by 720 time slots (2 minutes
// each). The bins of one slot are contiguous: cell (bin, slot) is at slot * 180 + bin.

#include <array>
#include <cstdint>
#include <memory>

namespace dtchart {

class SignalGrid {
public:
    static constexpr int Bins = 180;
    static constexpr int Slots = 720;
    static constexpr int CellCount = Bins * Slots;
    using Cells = std::array<std::int16_t, CellCount>;

    SignalGrid() : cells_(std::make_unique<Cells>()) { cells_->fill(0); }
    SignalGrid(const SignalGrid& other) : cells_(std::make_unique<Cells>(*other.cells_)) {}
    SignalGrid& operator=(const SignalGrid& other) {
        *cells_ = *other.cells_;
        return *this;
    }

    // Level of direction bin `bin` in time slot `slot`; raises error 9 outside the grid.
    std::int16_t at(int bin, int slot) const;

    // Unchecked access, for loops whose bounds are the grid's own.
    std::int16_t cell(int bin, int slot) const { return (*cells_)[slot * Bins + bin]; }

    const Cells& cells() const { return *cells_; }

    // Replaces every cell at once.
    void replace(const Cells& cells) { *cells_ = cells; }

    // Replaces every cell at once by taking `cells` over; `cells` gets the old ones. A read
    // fills a spare buffer and swaps it in, so the grid never holds half of one file.
    void swapCells(std::unique_ptr<Cells>& cells) {
        if (cells) cells_.swap(cells);
    }

    friend bool operator==(const SignalGrid& a, const SignalGrid& b) {
        return *a.cells_ == *b.cells_;
    }

private:
    std::unique_ptr<Cells> cells_;  // never null
};

}  // namespace dtchart
