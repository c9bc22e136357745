#pragma once
// The empty direction-time chart: title, chart box (29, 231)-(750, 50), time axis with hour
// ticks and labels, direction axis with degree ticks and labels, and the colour legend with its
// level scale. Time slot t lies at x = 30 + t, direction bin d at y = 230 - d.

#include "chart/drawing_surface.h"

namespace dtchart {

void DrawChartFrame(DrawingSurface& picture);

}  // namespace dtchart
