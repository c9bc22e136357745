#pragma once
// What every benchmark shares: how its repetitions are run and reported, and the day it works on.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "signal/signal_grid.h"

namespace dtchart::bench {

// Repetitions are interleaved at random with those of the other cases (see bench_main.cpp), so
// a case and its baseline see the same load on a shared machine; the median is what counts.
inline constexpr int Repetitions = 15;

// For ->Apply(Configure) on every case.
inline void Configure(benchmark::internal::Benchmark* b) {
    b->Repetitions(Repetitions)
        ->ReportAggregatesOnly(true)
        ->UseRealTime()
        ->MinTime(0.05)
        ->Unit(benchmark::kMicrosecond);
}

// A realistic, varied day: background noise, a source drifting in direction over the day, a
// weaker one circling the other way, a strong daytime source and a receiver gap of no-data
// cells. Every level is one the chart paints (-1 to 1023); the noise keeps the colour ramp's
// branches as unpredictable as they are on real data.
inline const SignalGrid& BenchDay() {
    static const SignalGrid day = [] {
        SignalGrid::Cells cells{};
        std::uint32_t state = 0x9E3779B9u;
        auto noise = [&state] {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            return state / 4294967296.0;
        };
        auto near = [](double deg, double centre, double width) {
            double d = std::fmod(std::fabs(deg - centre), 360.0);
            if (d > 180) d = 360 - d;
            return std::exp(-(d / width) * (d / width));
        };
        for (int slot = 0; slot < SignalGrid::Slots; ++slot) {
            const double hour = slot / 30.0;
            for (int bin = 0; bin < SignalGrid::Bins; ++bin) {
                const double deg = 2.0 * bin;
                double level = 50 + 80 * noise();
                level += 650 * near(deg, 40 + 11 * hour, 14);
                level += 400 * near(deg, 330 - 25 * hour, 22);
                if (hour > 6 && hour < 18)
                    level += 950 * std::sin((hour - 6) / 12 * M_PI) *
                             near(deg, 90 + 15 * (hour - 6), 9);
                int v = static_cast<int>(level);
                if (v > 1023) v = 1023;
                if (slot >= 500 && slot < 515) v = -1;
                cells[slot * SignalGrid::Bins + bin] = static_cast<std::int16_t>(v);
            }
        }
        SignalGrid grid;
        grid.replace(cells);
        return grid;
    }();
    return day;
}

}  // namespace dtchart::bench
