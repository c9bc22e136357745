#pragma once
// The colour ramp of signal levels: blue (0) - cyan - green - yellow - red (1023), black for the
// no-data marker -1. Levels whose green component would fall below 0 (below -1, above 1023) have
// no colour: the chart leaves their cells as they are.

#include <cstdint>
#include <optional>

#include "signal/colour.h"

namespace dtchart {

inline constexpr std::int16_t NoDataLevel = -1;
inline constexpr std::int16_t MaxLevel = 1023;

// Every level from NoDataLevel to MaxLevel has a colour, and no other level has one.
inline constexpr int ColouredLevelCount = MaxLevel - NoDataLevel + 1;

constexpr std::optional<Colour> SignalColour(std::int16_t level) {
    const int v = level;  // int arithmetic: no 16-bit overflow for any level
    if (v == NoDataLevel) return Black;
    if (v < 0 || v > MaxLevel) return std::nullopt;
    auto clip = [](int c) { return c < 0 ? 0 : (c > 255 ? 255 : c); };
    const int red = clip(v - 511);
    const int blue = clip(511 - v);
    // v below 255: v; 255 to 767: 255; above 767: 1023 - v.
    int green = v < 255 ? v : 255;
    if (1023 - v < green) green = 1023 - v;
    return RGB(red, green, blue);
}

}  // namespace dtchart
