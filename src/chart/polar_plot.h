#pragma once
// The polar plot of one time slot: four grey rings and a grey cross about (132, 132), and the
// slot's levels over direction as a closed red polygon, bin j at 2j degrees clockwise from the
// top, at radius level * 125 / 1024 * scale.

#include <string>

#include "chart/drawing_surface.h"
#include "signal/signal_grid.h"

namespace dtchart {

inline constexpr Colour PlotGrey = RGB(127, 127, 127);
inline constexpr Colour PlotRed = RGB(255, 0, 0);

// Draws on a freshly cleared surface and returns the slot's time of day ("0:00" to "23:58").
// An out-of-range slot raises error 9 after the rings and the cross are drawn.
std::string DrawPolarPlot(DrawingSurface& picture, const SignalGrid& grid, int slot,
                          float radPerDeg, float plotScale);

// "h:mm" for a time slot of two minutes.
std::string SlotTimeText(int slot);

}  // namespace dtchart
