#include "chart/chart_frame.h"

#include "signal/signal_colour.h"

namespace dtchart {
namespace {

void PrintAt(DrawingSurface& picture, float x, float y, const PrintItem& item) {
    picture.SetCurrentX(x);
    picture.SetCurrentY(y);
    picture.Print(item);
}

}  // namespace

void DrawChartFrame(DrawingSurface& picture) {
    picture.Cls();
    PrintAt(picture, 270, 20, std::string("DIRECTION-TIME-SIGNAL CHART"));
    picture.LineBox(29, 231, 750, 50, Black);

    for (int i = 30; i <= 750; i += 30) {
        picture.Line(i, 232, i, 235, Black);
        PrintAt(picture, i - 7, 240, i / 30.0 - 1);  // a double, printed as a whole number
    }
    PrintAt(picture, 370, 253, std::string("TIME (hour)"));

    for (int j = 0; j <= 180; j += 30) {
        picture.Line(28, 230 - j, 25, 230 - j, Black);
        PrintAt(picture, 3, 225 - j, static_cast<long>(j * 2));
    }
    PrintAt(picture, 5, 20, std::string("DIRECTION"));
    PrintAt(picture, 5, 32, std::string("(degree)"));

    picture.LineBox(780, 231, 800, 102, Black);
    for (int v = 0; v <= 1023; v += 8) {
        const auto y = static_cast<float>(230 - v / 8.0);
        // The legend only samples levels 0 to 1016, which all have a colour.
        picture.Line(781, y, 800, y, SignalColour(static_cast<std::int16_t>(v)).value_or(Black));
    }
    for (int k = 0; k <= 1024; k += 256) {
        const auto y = static_cast<float>(230 - k / 8.0);
        picture.Line(779, y, 776, y, Black);
        PrintAt(picture, 750, static_cast<float>(225 - k / 8.0), static_cast<long>(k));
    }
}

}  // namespace dtchart
