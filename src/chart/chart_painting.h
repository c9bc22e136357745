#pragma once
// Painting a day onto the direction-time chart, one point per cell, and its date caption.

#include <string>

#include "chart/drawing_surface.h"
#include "signal/signal_colour.h"
#include "signal/signal_grid.h"

namespace dtchart {

// One PSet per cell at (30 + slot, 230 - bin), column by column from the left, each column
// from bin 0 upward. Cells whose level has no colour are skipped. A template so that a final
// surface type gets its PSet inlined: this loop runs 129,600 times per load.
template <class Surface>
void PaintSignalChart(Surface& picture, const SignalGrid& grid) {
    for (int i = 0; i < SignalGrid::Slots; ++i) {
        for (int j = 0; j < SignalGrid::Bins; ++j) {
            if (const auto colour = SignalColour(grid.cell(j, i)))
                picture.PSet(static_cast<float>(30 + i), static_cast<float>(230 - j), *colour);
        }
    }
}

// The observation date "20YY/MM/DD" at (500, 20), cut from a path ending in YYMMDD.log.
// A path that does not end that way prints nothing.
void PrintLogDate(DrawingSurface& picture, const std::string& path);

// The caption PrintLogDate prints for a path, or an empty text when it prints nothing.
std::string LogDateCaption(const std::string& path);

}  // namespace dtchart
