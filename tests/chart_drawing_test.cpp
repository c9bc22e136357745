// The chart frame, the chart painting, the date caption and the polar plot, as the exact
// sequence of drawing operations they issue.

#include <QtTest>

#include <cmath>

#include "chart/chart_frame.h"
#include "chart/chart_painting.h"
#include "chart/polar_plot.h"
#include "log_files.h"
#include "recording_surface.h"
#include "signal/system_error.h"

using namespace dtchart;
using namespace dtchart::test;

namespace {

constexpr float RadPerDeg = 0.01745329238474369f;

std::vector<std::string> expectedFrame() {
    std::vector<std::string> e;
    auto text = [&](int x, int y, const std::string& kindAndText) {
        e.push_back("CurrentX " + std::to_string(x));
        e.push_back("CurrentY " + std::to_string(y));
        e.push_back("Print " + kindAndText);
    };
    e.push_back("Cls");
    text(270, 20, "text DIRECTION-TIME-SIGNAL CHART");
    e.push_back("Box (29,231)-(750,50) 000000");
    for (int i = 30; i <= 750; i += 30) {
        e.push_back("Line (" + std::to_string(i) + ",232)-(" + std::to_string(i) + ",235) 000000");
        text(i - 7, 240, "double " + std::to_string(i / 30 - 1));
    }
    text(370, 253, "text TIME (hour)");
    for (int j = 0; j <= 180; j += 30) {
        const std::string y = std::to_string(230 - j);
        e.push_back("Line (28," + y + ")-(25," + y + ") 000000");
        text(3, 225 - j, "long " + std::to_string(j * 2));
    }
    text(5, 20, "text DIRECTION");
    text(5, 32, "text (degree)");
    e.push_back("Box (780,231)-(800,102) 000000");
    for (int v = 0; v <= 1016; v += 8) {
        const std::string y = std::to_string(230 - v / 8);
        e.push_back("Line (781," + y + ")-(800," + y + ") " +
                    RecordingSurface::col(*SignalColour(static_cast<std::int16_t>(v))));
    }
    for (int k = 0; k <= 1024; k += 256) {
        const std::string y = std::to_string(230 - k / 8);
        e.push_back("Line (779," + y + ")-(776," + y + ") 000000");
        text(750, 225 - k / 8, "long " + std::to_string(k));
    }
    return e;
}

// The vertices the polar plot draws through, in order: the first position, then every LineTo.
std::vector<std::pair<double, double>> vertices(const RecordingSurface& s) {
    std::vector<std::pair<double, double>> out;
    // The polygon's segments are the red ones; the cross before them is grey.
    for (const auto& seg : s.segments)
        if (seg.colour == PlotRed) {
            if (out.empty()) out.emplace_back(seg.x1, seg.y1);
            out.emplace_back(seg.x2, seg.y2);
        }
    return out;
}

}  // namespace

class ChartDrawingTest : public QObject {
    Q_OBJECT

private slots:
    void frameIssuesExactlyItsOperations() {
        RecordingSurface s;
        DrawChartFrame(s);
        const auto expected = expectedFrame();
        QCOMPARE(s.calls.size(), expected.size());
        for (std::size_t k = 0; k < expected.size(); ++k)
            QCOMPARE(QString::fromStdString(s.calls[k]), QString::fromStdString(expected[k]));
        // A second call gives the same sequence again, starting with Cls.
        s.calls.clear();
        DrawChartFrame(s);
        QVERIFY(s.calls == expected);
    }

    void paintingVisitsEveryCellColumnByColumn() {
        const SignalGrid grid = GridWith([](int j, int i) {
            if (i == 3 && j == 4) return std::int16_t(-1);
            if (i == 5 && j == 6) return std::int16_t(1024);  // no colour: skipped
            if (i == 7 && j == 8) return std::int16_t(-2);    // no colour: skipped
            return static_cast<std::int16_t>((i + j) % 1024);
        });
        RecordingSurface s;
        PaintSignalChart(s, grid);
        QCOMPARE(s.calls.size(), std::size_t(129600 - 2));
        QCOMPARE(QString::fromStdString(s.calls.front()), QStringLiteral("PSet (30,230) FF0000"));
        QCOMPARE(QString::fromStdString(s.calls[1]), QStringLiteral("PSet (30,229) FF0100"));
        QCOMPARE(QString::fromStdString(s.calls[179]), "PSet (30,51) " + QString::fromStdString(RecordingSurface::col(*SignalColour(179))));
        QCOMPARE(QString::fromStdString(s.calls[180]), "PSet (31,230) " + QString::fromStdString(RecordingSurface::col(*SignalColour(1))));
        QCOMPARE(QString::fromStdString(s.calls[3 * 180 + 4]), QStringLiteral("PSet (33,226) 000000"));
        QCOMPARE(QString::fromStdString(s.calls.back()), "PSet (749,51) " + QString::fromStdString(RecordingSurface::col(*SignalColour((719 + 179) % 1024))));
    }

    void dateCaption_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("caption");
        QTest::newRow("plain") << "250131.log" << "2025/01/31";
        QTest::newRow("folder") << "/home/obs/data/991231.log" << "2099/12/31";
        QTest::newRow("upper-case extension") << "/x/240229.LOG" << "2024/02/29";
        QTest::newRow("mixed-case extension") << "/x/240229.LoG" << "2024/02/29";
        QTest::newRow("Japanese folder") << "/観測/250131.log" << "2025/01/31";
        QTest::newRow("not a date") << "C:\\obs\\today.log" << "";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("short") << "1.log" << "";
        QTest::newRow("wrong extension") << "/x/250131.txt" << "";
        QTest::newRow("letter among digits") << "/x/25O131.log" << "";
        QTest::newRow("no dot") << "/x/250131_log" << "";
        QTest::newRow("Japanese digits") << "/x/２５０131.log" << "";
    }
    void dateCaption() {
        QFETCH(QString, path);
        QFETCH(QString, caption);
        RecordingSurface s;
        PrintLogDate(s, path.toStdString());
        if (caption.isEmpty()) {
            QVERIFY(s.calls.empty());
            return;
        }
        const std::vector<std::string> expected{"CurrentX 500", "CurrentY 20",
                                                "Print text " + caption.toStdString()};
        QVERIFY(s.calls == expected);
    }

    void polarPlotOperations() {
        RecordingSurface s;
        const std::string time = DrawPolarPlot(s, SignalGrid{}, 0, RadPerDeg, 1);
        QCOMPARE(QString::fromStdString(time), QStringLiteral("0:00"));
        const std::vector<std::string> head{
            "CurrentX 132",
            "CurrentY 132",
            "Circle (0,0) 125 7F7F7F",
            "Circle (0,0) 93 7F7F7F",
            "Circle (0,0) 62 7F7F7F",
            "Circle (0,0) 31 7F7F7F",
            "LineStep (-125,0)-(250,0) 7F7F7F",
            "LineStep (-125,-125)-(0,250) 7F7F7F",
            "CurrentX 132",
            "CurrentY 132"};
        QCOMPARE(s.calls.size(), head.size() + 180);
        for (std::size_t k = 0; k < head.size(); ++k)
            QCOMPARE(QString::fromStdString(s.calls[k]), QString::fromStdString(head[k]));
        // All-zero levels: every edge collapses onto the centre.
        for (std::size_t k = head.size(); k < s.calls.size(); ++k)
            QCOMPARE(QString::fromStdString(s.calls[k]), QStringLiteral("LineTo (132,132) 0000FF"));
        // The arms run where they should.
        QCOMPARE(s.segments[0].x1, 7.0f);
        QCOMPARE(s.segments[0].x2, 257.0f);
        QCOMPARE(s.segments[1].y1, 7.0f);
        QCOMPARE(s.segments[1].y2, 257.0f);
        QCOMPARE(s.segments[1].x1, 132.0f);
    }

    void polarPlotVertices_data() {
        QTest::addColumn<int>("bin");
        QTest::addColumn<int>("level");
        QTest::addColumn<float>("scale");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::newRow("1024 up") << 0 << 1024 << 1.0f << 132.0 << 7.0;
        QTest::newRow("1024 right") << 45 << 1024 << 1.0f << 257.0 << 132.0;
        QTest::newRow("1024 down") << 90 << 1024 << 1.0f << 132.0 << 257.0;
        QTest::newRow("1024 left") << 135 << 1024 << 1.0f << 7.0 << 132.0;
        QTest::newRow("1024 right, scale 2") << 45 << 1024 << 2.0f << 382.0 << 132.0;
        QTest::newRow("1024 up, scale 2") << 0 << 1024 << 2.0f << 132.0 << -118.0;
        QTest::newRow("512 up") << 0 << 512 << 1.0f << 132.0 << 69.5;
        QTest::newRow("1023 up") << 0 << 1023 << 1.0f << 132.0 << 7.1220703125;
        QTest::newRow("-1 right") << 45 << -1 << 1.0f << 131.8779296875 << 132.0;
        QTest::newRow("1000 at 50") << 30 << 1000 << 50.0f << 132 + 1000 * std::sin(60 * M_PI / 180) * 125 / 1024 * 50
                                    << 132 - 1000 * std::cos(60 * M_PI / 180) * 125 / 1024 * 50;
    }
    void polarPlotVertices() {
        QFETCH(int, bin);
        QFETCH(int, level);
        QFETCH(float, scale);
        QFETCH(double, x);
        QFETCH(double, y);
        const SignalGrid grid = GridWith([&](int j, int i) {
            return std::int16_t(i == 7 && j == bin ? level : 0);
        });
        RecordingSurface s;
        QCOMPARE(QString::fromStdString(DrawPolarPlot(s, grid, 7, RadPerDeg, scale)), QStringLiteral("0:14"));
        const auto v = vertices(s);
        QCOMPARE(v.size(), std::size_t(181));  // 180 edges, closed
        QVERIFY(std::fabs(v[bin].first - x) < 0.001);
        QVERIFY2(std::fabs(v[bin].second - y) < 0.001, qPrintable(QString::number(v[bin].second)));
        QCOMPARE(v.front(), v.back());
    }

    void polarPlotSingleAndDoublePrecision() {
        // The angle is a single-precision product: bin 1's vertex at level 1000 must match
        // the float angle, not the exact 2 degrees.
        const SignalGrid grid = GridWith([](int j, int) { return std::int16_t(j == 1 ? 1000 : 0); });
        RecordingSurface s;
        DrawPolarPlot(s, grid, 0, RadPerDeg, 1);
        const float a = 1.0f * RadPerDeg * 2.0f;
        const double k = 125.0 / 1024.0;
        const auto expectedX = static_cast<float>(1000 * std::sin(double(a)) * k * 1 + 132);
        const auto expectedY = static_cast<float>(132 - 1000 * std::cos(double(a)) * k * 1);
        QCOMPARE(vertices(s)[1].first, double(expectedX));
        QCOMPARE(vertices(s)[1].second, double(expectedY));
    }

    void polarPlotTimeTexts_data() {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "0:00";
        QTest::newRow("4") << 4 << "0:08";
        QTest::newRow("5") << 5 << "0:10";
        QTest::newRow("30") << 30 << "1:00";
        QTest::newRow("345") << 345 << "11:30";
        QTest::newRow("719") << 719 << "23:58";
    }
    void polarPlotTimeTexts() {
        QFETCH(int, slot);
        QFETCH(QString, text);
        RecordingSurface s;
        QCOMPARE(QString::fromStdString(DrawPolarPlot(s, SignalGrid{}, slot, RadPerDeg, 1)), text);
    }

    void polarPlotOutOfRangeSlotFailsAfterTheGrid() {
        for (int slot : {-1, 720, 32767}) {
            RecordingSurface s;
            try {
                DrawPolarPlot(s, SignalGrid{}, slot, RadPerDeg, 1);
                QFAIL("no error");
            } catch (const SystemError& e) {
                QCOMPARE(e.number(), 9);
            }
            // Rings and cross are drawn, nothing of the polygon.
            QCOMPARE(s.calls.size(), std::size_t(8));
        }
    }
};

QTEST_GUILESS_MAIN(ChartDrawingTest)
#include "chart_drawing_test.moc"
