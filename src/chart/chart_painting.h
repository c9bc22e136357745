#pragma once
// Painting a day onto the direction-time chart, one point per cell, and its date caption.

#include <array>
#include <cstdint>
#include <string>

#include "chart/drawing_surface.h"
#include "signal/signal_colour.h"
#include "signal/signal_grid.h"

namespace dtchart {

// A surface that can set whole pixels in bulk: paintPixels(paint) calls paint(writer), and
// writer.set(x, y, Surface::pixel(colour)) does what PSet(x, y, colour) does.
template <class Surface>
concept BulkPixelSurface = requires(Surface& s, Colour c) {
    { Surface::pixel(c) };
    s.paintPixels([](auto& writer) { writer.set(0, 0, decltype(Surface::pixel(Colour{})){}); });
};

// One PSet per cell at (30 + slot, 230 - bin), column by column from the left, each column
// from bin 0 upward. Cells whose level has no colour are skipped. A template so that a surface
// that sets pixels in bulk is used that way: this loop runs 129,600 times per load.
template <class Surface>
void PaintSignalChart(Surface& picture, const SignalGrid& grid) {
    if constexpr (BulkPixelSurface<Surface>) {
        // The same points, with each level's pixel value worked out once instead of per cell.
        using Pixel = decltype(Surface::pixel(Colour{}));
        static const auto pixels = [] {
            std::array<Pixel, ColouredLevelCount> table{};
            for (int k = 0; k < ColouredLevelCount; ++k)
                table[k] = Surface::pixel(*SignalColour(static_cast<std::int16_t>(NoDataLevel + k)));
            return table;
        }();
        picture.paintPixels([&grid](auto& writer) {
            const std::int16_t* cells = grid.cells().data();
            for (int i = 0; i < SignalGrid::Slots; ++i) {
                const std::int16_t* slot = cells + i * SignalGrid::Bins;
                for (int j = 0; j < SignalGrid::Bins; ++j) {
                    // Levels outside the coloured range wrap round to large indices.
                    const auto k = static_cast<unsigned>(slot[j] - NoDataLevel);
                    if (k < pixels.size()) writer.set(30 + i, 230 - j, pixels[k]);
                }
            }
        });
    } else {
        for (int i = 0; i < SignalGrid::Slots; ++i) {
            for (int j = 0; j < SignalGrid::Bins; ++j) {
                if (const auto colour = SignalColour(grid.cell(j, i)))
                    picture.PSet(static_cast<float>(30 + i), static_cast<float>(230 - j), *colour);
            }
        }
    }
}

// The observation date "20YY/MM/DD" at (500, 20), cut from a path ending in YYMMDD.log.
// A path that does not end that way prints nothing.
void PrintLogDate(DrawingSurface& picture, const std::string& path);

// The caption PrintLogDate prints for a path, or an empty text when it prints nothing.
std::string LogDateCaption(const std::string& path);

}  // namespace dtchart
