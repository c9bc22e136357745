// Painting a full day onto the chart: PaintSignalChart on a QtSurface against one QPainter
// point per cell, and against the bound of writing precomputed colours straight into an image;
// at device pixel ratio 1, and at ratio 2, where every cell is a 2 x 2 block.

#include <QImage>
#include <QPainter>

#include <array>
#include <optional>

#include "bench_common.h"
#include "chart/chart_painting.h"
#include "chart/qt_surface.h"
#include "signal/signal_colour.h"

namespace dtchart::bench {
namespace {

// The chart's drawing area: the 817 x 281 picture box less its 2-pixel border.
constexpr int Width = 813;
constexpr int Height = 277;

QImage blankImage(int ratio = 1) {
    QImage image(Width * ratio, Height * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    return image;
}

void paintWithPoints(QImage& image, const SignalGrid& grid) {
    QPainter painter(&image);
    for (int i = 0; i < SignalGrid::Slots; ++i)
        for (int j = 0; j < SignalGrid::Bins; ++j)
            if (const auto colour = SignalColour(grid.cell(j, i))) {
                painter.setPen(QColor::fromRgb(QtSurface::toQRgb(*colour)));
                painter.drawPoint(30 + i, 230 - j);
            }
}

// Level + 1 -> pixel, for every level that has a colour (-1 to 1023).
const std::array<QRgb, 1025>& colourTable() {
    static const auto table = [] {
        std::array<QRgb, 1025> t{};
        for (int v = -1; v <= 1023; ++v)
            t[static_cast<std::size_t>(v + 1)] =
                QtSurface::toQRgb(*SignalColour(static_cast<std::int16_t>(v)));
        return t;
    }();
    return table;
}

template <int Ratio>
void paintFromTable(QImage& image, const SignalGrid& grid) {
    const auto& table = colourTable();
    auto* bits = reinterpret_cast<QRgb*>(image.bits());
    const qsizetype stride = image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    const std::int16_t* cells = grid.cells().data();
    for (int i = 0; i < SignalGrid::Slots; ++i) {
        QRgb* bottom = bits + 230 * Ratio * stride + (30 + i) * Ratio;
        const std::int16_t* slot = cells + i * SignalGrid::Bins;
        for (int j = 0; j < SignalGrid::Bins; ++j) {
            const auto index = static_cast<unsigned>(slot[j] + 1);
            if (index >= table.size()) continue;
            QRgb* block = bottom - j * Ratio * stride;
            for (int r = 0; r < Ratio; ++r)
                for (int c = 0; c < Ratio; ++c) block[r * stride + c] = table[index];
        }
    }
}

// Every way must paint the same pixels, or the comparison means nothing.
std::optional<const char*> paintingsDiffer() {
    const SignalGrid& grid = BenchDay();
    QtSurface surface(Width, Height, Qt::white);
    PaintSignalChart(surface, grid);
    const QImage viaSurface = surface.image();
    QImage viaPoints = blankImage();
    paintWithPoints(viaPoints, grid);
    QImage viaTable = blankImage();
    paintFromTable<1>(viaTable, grid);
    if (viaSurface != viaTable) return "PaintSignalChart and the colour table disagree";
    if (viaPoints != viaTable) return "QPainter::drawPoint and the colour table disagree";
    QtSurface surface2x(Width, Height, Qt::white, 2);
    PaintSignalChart(surface2x, grid);
    QImage viaTable2x = blankImage(2);
    paintFromTable<2>(viaTable2x, grid);
    if (surface2x.image() != viaTable2x) return "PaintSignalChart at ratio 2 and the colour table disagree";
    return std::nullopt;
}

void PaintSignalChartOnSurface(benchmark::State& state) {
    static const std::optional<const char*> mismatch = paintingsDiffer();
    if (mismatch) {
        state.SkipWithError(*mismatch);
        return;
    }
    const SignalGrid& grid = BenchDay();
    QtSurface surface(Width, Height, Qt::white, static_cast<qreal>(state.range(0)));
    for (auto _ : state) {
        PaintSignalChart(surface, grid);
        // The window takes the image to show it after every load.
        benchmark::DoNotOptimize(surface.image().constBits());
        benchmark::ClobberMemory();
    }
}

void QPainterDrawPoint(benchmark::State& state) {
    const SignalGrid& grid = BenchDay();
    QImage image = blankImage();
    for (auto _ : state) {
        paintWithPoints(image, grid);
        benchmark::DoNotOptimize(image.constBits());
        benchmark::ClobberMemory();
    }
}

template <int Ratio>
void ColourTableBound(benchmark::State& state) {
    const SignalGrid& grid = BenchDay();
    QImage image = blankImage(Ratio);
    for (auto _ : state) {
        paintFromTable<Ratio>(image, grid);
        benchmark::DoNotOptimize(image.constBits());
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(PaintSignalChartOnSurface)->Name("paint/PaintSignalChart")->Arg(1)->Apply(Configure);
BENCHMARK(QPainterDrawPoint)->Name("paint/QPainterDrawPoint")->Apply(Configure);
BENCHMARK(ColourTableBound<1>)->Name("paint/ColourTableBound")->Apply(Configure);
BENCHMARK(PaintSignalChartOnSurface)->Name("paint/PaintSignalChart2x")->Arg(2)->Apply(Configure);
BENCHMARK(ColourTableBound<2>)->Name("paint/ColourTableBound2x")->Apply(Configure);

}  // namespace dtchart::bench
