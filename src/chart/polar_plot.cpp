#include "chart/polar_plot.h"

#include <cmath>

namespace dtchart {

std::string SlotTimeText(int slot) {
    const int h = slot / 30;
    const int m = 2 * (slot - 30 * h);
    return std::to_string(h) + ":" + (m < 10 ? "0" : "") + std::to_string(m);
}

std::string DrawPolarPlot(DrawingSurface& picture, const SignalGrid& grid, int slot,
                          float radPerDeg, float plotScale) {
    constexpr double k = 125.0 / 1024.0;
    const double s = plotScale;

    picture.SetCurrentX(132);
    picture.SetCurrentY(132);
    for (float radius : {125.0f, 93.0f, 62.0f, 31.0f}) picture.Circle(0, 0, radius, PlotGrey);
    picture.LineRelative(-125, 0, 250, 0, PlotGrey);
    picture.LineRelative(-125, -125, 0, 250, PlotGrey);

    const int t = slot;
    const auto firstY = static_cast<float>(132 - k * grid.at(0, t) * s);
    picture.SetCurrentX(132);
    picture.SetCurrentY(firstY);
    for (int j = 1; j < SignalGrid::Bins; ++j) {
        // The angle is a single-precision product, as the factor itself is single precision.
        const float a = static_cast<float>(j) * radPerDeg * 2.0f;
        const double v = grid.at(j, t);
        const double x = v * std::sin(static_cast<double>(a)) * k * s + 132;
        const double y = 132 - v * std::cos(static_cast<double>(a)) * k * s;
        picture.LineTo(static_cast<float>(x), static_cast<float>(y), PlotRed);
    }
    picture.LineTo(132, static_cast<float>(132 - k * grid.at(0, t) * s), PlotRed);

    return SlotTimeText(t);
}

}  // namespace dtchart
