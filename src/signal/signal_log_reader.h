#pragma once
// Reads an observation log: a bare array of 129,600 little-endian signed 16-bit levels
// (259,200 bytes), slot by slot with 180 bins per slot. Longer files contribute their first
// 259,200 bytes. A shorter file is a day still being written: its whole cells fill the grid
// from the start and every later cell becomes -1, no data (an odd last byte is ignored).
// The grid is replaced as a whole, never mixed with the previous file. A file with no whole
// cell, and any other failure, leaves the grid exactly as it was and raises a SystemError
// with a Japanese message naming the reason.

#include <cstddef>
#include <string>

#include "signal/signal_grid.h"

namespace dtchart {

inline constexpr std::size_t SignalLogBytes = SignalGrid::CellCount * 2;

void ReadSignalLog(const std::string& path, SignalGrid& grid);

}  // namespace dtchart
