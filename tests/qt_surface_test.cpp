// Pixels of the QImage surface: the frame, the painted day, the date, the polar plot, and
// clipping of whatever falls outside.

#include <QtTest>

#include <cmath>
#include <limits>

#include "chart/chart_frame.h"
#include "chart/chart_painting.h"
#include "chart/polar_plot.h"
#include "chart/qt_surface.h"
#include "log_files.h"

using namespace dtchart;
using namespace dtchart::test;

namespace {

constexpr QRgb WhitePx = 0xFFFFFFFF;
constexpr QRgb BlackPx = 0xFF000000;
constexpr QRgb BluePx = 0xFF0000FF;
constexpr QRgb RedPx = 0xFFFF0000;
constexpr QRgb GreyPx = 0xFF7F7F7F;

constexpr QRgb Mixed = 0;  // no opaque pixel is 0

// The colour of logical pixel (x, y): its whole block of device pixels, or Mixed.
QRgb px(const QtSurface& s, int x, int y) {
    const QImage& image = s.image();
    const QRect block = s.devicePixels(x, y);
    const QRgb colour = image.pixel(block.topLeft());
    for (int r = block.top(); r <= block.bottom(); ++r)
        for (int c = block.left(); c <= block.right(); ++c)
            if (image.pixel(c, r) != colour) return Mixed;
    return colour;
}

// Whether some device pixel of logical pixel (x, y) has the colour: curves at fractional
// ratios cover parts of blocks.
bool has(const QtSurface& s, int x, int y, QRgb colour) {
    const QRect block = s.devicePixels(x, y);
    for (int r = block.top(); r <= block.bottom(); ++r)
        for (int c = block.left(); c <= block.right(); ++c)
            if (s.image().pixel(c, r) == colour) return true;
    return false;
}

// Whether any device pixel inside the logical rectangle is dark.
bool anyDark(const QtSurface& s, QRect r) {
    const QRect device(s.devicePixels(r.left(), r.top()).topLeft(),
                       s.devicePixels(r.right(), r.bottom()).bottomRight());
    for (int y = device.top(); y <= device.bottom(); ++y)
        for (int x = device.left(); x <= device.right(); ++x)
            if (qGray(s.image().pixel(x, y)) < 128) return true;
    return false;
}

void ratioRows() {
    QTest::addColumn<double>("ratio");
    for (double ratio : {1.0, 1.5, 2.0}) QTest::addRow("ratio %g", ratio) << ratio;
}

// Draws on a QtSurface, and keeps each Print with its position instead of printing it.
class CaptionsApart : public DrawingSurface {
public:
    struct Caption {
        QString text;
        QPointF at;
    };
    explicit CaptionsApart(QtSurface& target) : target_(target) {}
    std::vector<Caption> captions;

    void Cls() override { target_.Cls(); }
    void SetCurrentX(float x) override { DrawingSurface::SetCurrentX(x); target_.SetCurrentX(x); }
    void SetCurrentY(float y) override { DrawingSurface::SetCurrentY(y); target_.SetCurrentY(y); }
    void Line(float x1, float y1, float x2, float y2, Colour c) override { target_.Line(x1, y1, x2, y2, c); }
    void LineBox(float x1, float y1, float x2, float y2, Colour c) override { target_.LineBox(x1, y1, x2, y2, c); }
    void PSet(float x, float y, Colour c) override { target_.PSet(x, y, c); }
    void Print(const PrintItem& item) override {
        captions.push_back({QString::fromStdString(TextOf(item)), QPointF(CurrentX(), CurrentY())});
    }

protected:
    void clear() override {}
    void drawLine(float, float, float, float, Colour) override {}
    void drawBox(float, float, float, float, Colour) override {}
    void drawCircle(float, float, float, Colour) override {}
    void drawText(float, float, const std::string&) override {}

private:
    QtSurface& target_;
};

// A day with every coloured level somewhere, and no data after 13:20.
SignalGrid variedDay() {
    return GridWith([](int j, int i) { return std::int16_t(i >= 400 ? -1 : (i * 180 + j) * 7 % 1024); });
}

}  // namespace

class QtSurfaceTest : public QObject {
    Q_OBJECT

private slots:
    void frameBoxTicksAndLegend_data() { ratioRows(); }
    void frameBoxTicksAndLegend() {
        QFETCH(double, ratio);
        QtSurface s(813, 277, Qt::white, ratio);
        DrawChartFrame(s);
        // The chart box, corners and edges, and nothing inside.
        for (auto [x, y] : {std::pair{29, 231}, {750, 50}, {29, 50}, {750, 231}, {29, 140}, {400, 50}, {400, 231}})
            QCOMPARE(px(s, x, y), BlackPx);
        for (auto [x, y] : {std::pair{30, 230}, {749, 51}, {400, 140}, {28, 141}, {751, 140}})
            QCOMPARE(px(s, x, y), WhitePx);
        // Hour ticks four pixels long below the box, the first in slot 0's column.
        for (int x : {30, 60, 390, 750})
            for (int y = 232; y <= 235; ++y) QCOMPARE(px(s, x, y), BlackPx);
        QCOMPARE(px(s, 30, 236), WhitePx);
        QCOMPARE(px(s, 45, 233), WhitePx);
        // Degree ticks left of the box.
        for (int x = 25; x <= 28; ++x) {
            QCOMPARE(px(s, x, 230), BlackPx);
            QCOMPARE(px(s, x, 50), BlackPx);
        }
        QCOMPARE(px(s, 24, 230), WhitePx);
        // Legend colours by row; ramp lines lie over the box's right edge.
        const std::pair<int, QRgb> legend[] = {{230, 0xFF0000FF}, {103, 0xFFFF0700}, {199, 0xFF00F8FF},
                                               {198, 0xFF00FFFF}, {167, 0xFF00FF07}, {166, 0xFF01FF00},
                                               {134, 0xFFFFFF00}};
        for (auto [y, colour] : legend) {
            QCOMPARE(px(s, 781, y), colour);
            QCOMPARE(px(s, 800, y), colour);
        }
        QCOMPARE(px(s, 780, 150), BlackPx);
        QCOMPARE(px(s, 790, 102), BlackPx);
        QCOMPARE(px(s, 790, 231), BlackPx);
        for (int x = 776; x <= 779; ++x) QCOMPARE(px(s, x, 102), BlackPx);
        // Texts: title and labels leave dark pixels where they are printed.
        QVERIFY(anyDark(s, QRect(270, 20, 120, 12)));
        QVERIFY(anyDark(s, QRect(3, 225, 10, 12)));
        QVERIFY(!anyDark(s, QRect(500, 20, 80, 12)));  // no date yet
    }

    void allZeroGridPaintsTheBoxBlue_data() { ratioRows(); }
    void allZeroGridPaintsTheBoxBlue() {
        QFETCH(double, ratio);
        QtSurface s(813, 277, Qt::white, ratio);
        DrawChartFrame(s);
        PaintSignalChart(s, SignalGrid{});
        for (int x = 30; x <= 749; ++x)
            for (int y = 51; y <= 230; ++y) QCOMPARE(px(s, x, y), BluePx);
        QCOMPARE(px(s, 29, 100), BlackPx);
        QCOMPARE(px(s, 750, 100), BlackPx);
        QCOMPARE(px(s, 100, 50), BlackPx);
        QCOMPARE(px(s, 100, 231), BlackPx);
    }

    void onlySlotZeroRedAndNoDataBlack_data() { ratioRows(); }
    void onlySlotZeroRedAndNoDataBlack() {
        QFETCH(double, ratio);
        QtSurface s(813, 277, Qt::white, ratio);
        DrawChartFrame(s);
        PaintSignalChart(s, GridWith([](int j, int i) {
            if (i == 0) return std::int16_t(1023);
            if (i == 1 && j == 0) return std::int16_t(-1);
            return std::int16_t(0);
        }));
        int red = 0;
        for (int y = 0; y < 277; ++y)
            for (int x = 0; x < 813; ++x)
                if (px(s, x, y) == RedPx) {
                    QCOMPARE(x, 30);
                    QVERIFY(y >= 51 && y <= 230);
                    ++red;
                }
        QCOMPARE(red, 180);
        QCOMPARE(px(s, 31, 230), BlackPx);
        QCOMPARE(px(s, 31, 229), BluePx);
    }

    void levelsWithoutColourLeaveCellsAsTheyWere() {
        QtSurface s(813, 277);
        PaintSignalChart(s, GridWith([](int j, int i) {
            return std::int16_t((i + j) % 2 ? 1024 : -2);
        }));
        for (int x = 30; x <= 749; x += 7)
            for (int y = 51; y <= 230; y += 5) QCOMPARE(px(s, x, y), WhitePx);
        PaintSignalChart(s, GridWith([](int, int) { return std::int16_t(-32768); }));
        QCOMPARE(px(s, 100, 100), WhitePx);
    }

    void bulkPaintingEqualsOnePSetPerCell() {
        // Every 16-bit level somewhere in the grid, including those without a colour.
        const SignalGrid grid = GridWith([](int j, int i) {
            return static_cast<std::int16_t>((i * 180 + j) * 37 % 65536 - 32768);
        });
        for (auto [size, ratio] : {std::pair{QSize(813, 277), 1.0}, {QSize(400, 100), 1.0},
                                   {QSize(40, 240), 1.0}, {QSize(813, 277), 2.0},
                                   {QSize(400, 100), 1.5}, {QSize(40, 240), 1.25}}) {
            QtSurface bulk(size.width(), size.height(), Qt::white, ratio);
            QtSurface perPoint(size.width(), size.height(), Qt::white, ratio);
            int bulkChanges = 0, pointChanges = 0;
            bulk.setChangeListener([&] { ++bulkChanges; });
            perPoint.setChangeListener([&] { ++pointChanges; });
            DrawChartFrame(bulk);
            DrawChartFrame(perPoint);
            const QImage shared = bulk.image();  // a copy held while painting must stay as it was
            PaintSignalChart(bulk, grid);
            PaintSignalChart(static_cast<DrawingSurface&>(perPoint), grid);
            QCOMPARE(bulk.image(), perPoint.image());
            QVERIFY(shared != bulk.image());
            QCOMPARE(bulkChanges, pointChanges);
        }
    }

    // A picture moved to a screen of another ratio is drawn anew there: the same image as one
    // drawn at that ratio from the start, points painted in bulk and one by one, lines, circles
    // and captions alike; a Cls forgets what was drawn before it.
    void drawnAnewAtAnotherRatio_data() {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        for (auto [from, to] : {std::pair{2.0, 1.5}, {1.0, 1.5}, {1.5, 2.0}, {1.25, 1.0}})
            QTest::addRow("%g to %g", from, to) << from << to;
    }
    void drawnAnewAtAnotherRatio() {
        QFETCH(double, from);
        QFETCH(double, to);
        const SignalGrid day = variedDay();
        auto draw = [&](QtSurface& s) {
            PaintSignalChart(s, SignalGrid{});
            DrawChartFrame(s);
            PaintSignalChart(s, day);
            PaintSignalChart(static_cast<DrawingSurface&>(s), GridWith([](int j, int i) {
                return static_cast<std::int16_t>(i < 10 && j < 10 ? 1000 : -2);
            }));
            PrintLogDate(s, "/logs/250131.log");
            s.SetCurrentX(400);
            s.SetCurrentY(140);
            s.Circle(0, 0, 60, PlotRed);
        };
        QtSurface moved(813, 277, Qt::white, from), direct(813, 277, Qt::white, to);
        draw(moved);
        draw(direct);
        moved.setRatio(to);
        QCOMPARE(moved.ratio(), to);
        QCOMPARE(moved.image(), direct.image());
    }

    // At any ratio, lines and cells cover exactly the logical pixels they cover at ratio 1,
    // each a whole block of device pixels in exactly its colour: no seam between the chart
    // box and its cells, no blending, no gap between cells.
    void linesAndCellsFillWholeBlocks_data() {
        QTest::addColumn<double>("ratio");
        for (double ratio : {1.25, 1.5, 2.0, 3.0}) QTest::addRow("ratio %g", ratio) << ratio;
    }
    void linesAndCellsFillWholeBlocks() {
        QFETCH(double, ratio);
        QtSurface one(813, 277), scaled(813, 277, Qt::white, ratio);
        const SignalGrid day = variedDay();
        for (QtSurface* s : {&one, &scaled}) {
            CaptionsApart frame(*s);
            DrawChartFrame(frame);
            PaintSignalChart(*s, day);
        }
        QCOMPARE(scaled.image().devicePixelRatio(), ratio);
        for (int y = 0; y < 277; ++y)
            for (int x = 0; x < 813; ++x)
                if (px(scaled, x, y) != px(one, x, y))
                    QFAIL(qPrintable(QStringLiteral("(%1, %2): %3, not %4").arg(x).arg(y)
                                         .arg(px(scaled, x, y), 8, 16).arg(px(one, x, y), 8, 16)));
    }

    // The captions in the chart font: each one's ink keeps a clear pixel from every tick and
    // box edge it does not belong on, and neighbouring hour labels do not touch.
    void captionsKeepClearOfTicks() {
        const QFont font = ChartCaptionFont();
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("Liberation Sans"));
        QtSurface s(813, 277);
        CaptionsApart frame(s);
        DrawChartFrame(frame);
        QCOMPARE(frame.captions.size(), std::size_t(1 + 25 + 1 + 7 + 2 + 5));
        const QFontMetrics metrics(font, &s.image());
        std::vector<QRect> ticks;
        for (int i = 30; i <= 750; i += 30) ticks.emplace_back(QPoint(i, 232), QPoint(i, 235));
        for (int j = 0; j <= 180; j += 30) ticks.emplace_back(QPoint(25, 230 - j), QPoint(28, 230 - j));
        for (int k = 0; k <= 1024; k += 256) ticks.emplace_back(QPoint(776, 230 - k / 8), QPoint(779, 230 - k / 8));
        ticks.emplace_back(QPoint(29, 231), QPoint(750, 231));  // the chart box's bottom edge
        ticks.emplace_back(QPoint(29, 50), QPoint(29, 231));    // and its left edge
        ticks.emplace_back(QPoint(780, 102), QPoint(800, 231)); // the legend
        std::vector<QRect> hourLabels;
        QStringList touching;
        for (const auto& [text, at] : frame.captions) {
            const QRect ink = metrics.tightBoundingRect(text).translated(at.toPoint() + QPoint(0, metrics.ascent()));
            QVERIFY2(!ink.isEmpty(), qPrintable(text));
            for (const QRect& tick : ticks) {
                // The level scale's 0 stands at the chart box's bottom-right corner, where the
                // time axis ends: its place puts it on the edge and the last hour tick in any font.
                if (at == QPointF(750, 225) && tick.intersects(QRect(750, 231, 1, 5))) continue;
                if (ink.adjusted(-1, -1, 1, 1).intersects(tick))
                    touching << QStringLiteral("\"%1\" at (%2, %3), ink %4..%5 x %6..%7, touches (%8, %9)")
                                    .arg(text).arg(at.x()).arg(at.y()).arg(ink.left()).arg(ink.right())
                                    .arg(ink.top()).arg(ink.bottom()).arg(tick.x()).arg(tick.y());
            }
            if (at.y() == 240) hourLabels.push_back(ink);
        }
        QVERIFY2(touching.isEmpty(), qPrintable(touching.join(QLatin1Char('\n'))));
        QCOMPARE(hourLabels.size(), std::size_t(25));
        for (std::size_t k = 1; k < hourLabels.size(); ++k)
            QVERIFY(hourLabels[k - 1].right() + 1 < hourLabels[k].left());
    }

    void dateCaptionAt500By20_data() { ratioRows(); }
    void dateCaptionAt500By20() {
        QFETCH(double, ratio);
        QtSurface s(813, 277, Qt::white, ratio);
        DrawChartFrame(s);
        PrintLogDate(s, "/data/250131.log");
        QVERIFY(anyDark(s, QRect(500, 20, 80, 14)));
        QVERIFY(!anyDark(s, QRect(470, 20, 29, 14)));
        // A name that is no date prints nothing.
        QtSurface t(813, 277, Qt::white, ratio);
        DrawChartFrame(t);
        PrintLogDate(t, "C:\\obs\\today.log");
        QVERIFY(!anyDark(t, QRect(490, 18, 120, 16)));
    }

    void polarPlotRingsCrossAndPolygon_data() { ratioRows(); }
    void polarPlotRingsCrossAndPolygon() {
        QFETCH(double, ratio);
        QtSurface s(261, 261, Qt::white, ratio);
        const float radPerDeg = 0.01745329238474369f;
        DrawPolarPlot(s, GridWith([](int j, int) { return std::int16_t(j == 45 ? 520 : 256); }), 0,
                      radPerDeg, 1);
        // Outer ring and the arms end at 7 and 257.
        for (auto [x, y] : {std::pair{7, 132}, {257, 132}, {132, 7}, {132, 257}, {132 + 93, 132}, {132, 132 + 62}})
            QVERIFY(has(s, x, y, GreyPx));
        QCOMPARE(px(s, 6, 132), WhitePx);
        QCOMPARE(px(s, 132, 258), WhitePx);
        // Bin 45 at level 520 pokes out to the right at radius 63.5, over the grey arm; the
        // polygon lies at radius 31.25 elsewhere: straight up at (132, 100.75).
        QVERIFY(has(s, 132, 101, RedPx));
        QVERIFY(has(s, 195, 132, RedPx));
        QCOMPARE(px(s, 180, 120), WhitePx);
    }

    void offSurfaceDrawingIsClipped() {
        QtSurface s(261, 261);
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        for (float v : {-1.0f, -0.6f, 261.0f, 1e9f, 1e30f, -1e30f, nan, inf, -inf}) {
            s.PSet(v, 10, RGB(255, 0, 0));
            s.PSet(10, v, RGB(255, 0, 0));
            s.Line(v, 10, 20, v, RGB(255, 0, 0));
            s.SetCurrentX(v);
            s.Circle(0, 0, 5, RGB(255, 0, 0));
            s.Circle(0, 0, v, RGB(255, 0, 0));
        }
        // Rounding to the nearest pixel, including just left of zero.
        s.PSet(-0.4f, 0.4f, RGB(0, 255, 0));
        QCOMPARE(px(s, 0, 0), 0xFF00FF00);
        s.PSet(259.6f, 260.4f, RGB(0, 255, 0));
        QCOMPARE(px(s, 260, 260), 0xFF00FF00);
        // A line to a point far outside still draws its visible part.
        QtSurface t(261, 261);
        t.Line(132, 132, 1e7f, 132, RGB(255, 0, 0));
        QCOMPARE(px(t, 132, 132), RedPx);
        QCOMPARE(px(t, 260, 132), RedPx);
        t.Line(-5e6f, -5e6f, 5e6f, 5e6f, RGB(0, 0, 255));
        QCOMPARE(px(t, 100, 100), 0xFF0000FF);
    }

    void imageCopiesAreNotChangedByLaterDrawing() {
        QtSurface s(261, 261);
        int changes = 0;
        s.setChangeListener([&] { ++changes; });
        const QImage before = s.image();
        s.PSet(5, 5, RGB(255, 0, 0));
        s.Line(0, 0, 10, 0, RGB(255, 0, 0));
        QCOMPARE(before.pixel(5, 5), WhitePx);
        QCOMPARE(px(s, 5, 5), RedPx);
        QCOMPARE(changes, 1);  // one repaint request until the image is shown
        s.markShown();
        s.PSet(6, 6, RGB(255, 0, 0));
        QCOMPARE(changes, 2);
        s.Cls();
        QCOMPARE(px(s, 5, 5), WhitePx);
        QCOMPARE(s.CurrentX(), 0.0f);
    }
};

QTEST_MAIN(QtSurfaceTest)
#include "qt_surface_test.moc"
