#pragma once
// Reads an observation log: a bare array of 129,600 little-endian signed 16-bit levels
// (259,200 bytes), slot by slot with 180 bins per slot. Longer files contribute their first
// 259,200 bytes. On any failure the grid is left exactly as it was and a SystemError with a
// Japanese message naming the reason is raised.

#include <cstddef>
#include <string>

#include "signal/signal_grid.h"

namespace dtchart {

inline constexpr std::size_t SignalLogBytes = SignalGrid::CellCount * 2;

void ReadSignalLog(const std::string& path, SignalGrid& grid);

}  // namespace dtchart
