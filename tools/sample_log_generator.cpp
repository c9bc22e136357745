// Writes a realistic observation log for trying the viewer: a day of background noise with a
// few sources drifting in direction, a strong sunrise-to-sunset source, and a gap of missing
// observations (-1). Deterministic, so every build gets the same file. An optional count of
// slots writes only the start of the day, as a log that is still being written looks.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int Bins = 180;
constexpr int Slots = 720;

// Small deterministic generator; the sample must be the same on every machine.
struct Random {
    std::uint32_t state;
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state / 4294967296.0;
    }
};

double angularDistance(double a, double b) {
    double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180 ? 360 - d : d;
}

}  // namespace

int main(int argc, char** argv) {
    const int slots = argc == 3 ? std::atoi(argv[2]) : Slots;
    if (argc < 2 || argc > 3 || slots < 1 || slots > Slots) {
        std::fprintf(stderr, "usage: %s OUTPUT.log [SLOTS]\n", argv[0]);
        return 2;
    }
    // Each day its own noise: the seed is the date in the name (YYMMDD.log).
    const std::size_t length = std::strlen(argv[1]);
    const long date = length >= 10 ? std::strtol(argv[1] + length - 10, nullptr, 10) : 0;
    Random random{static_cast<std::uint32_t>(20000000 + date)};
    std::vector<unsigned char> bytes;
    bytes.reserve(Slots * Bins * 2);
    for (int i = 0; i < slots; ++i) {
        const double hour = i / 30.0;
        for (int j = 0; j < Bins; ++j) {
            const double deg = 2.0 * j;
            double level = 60 + 40 * random.next();
            // A source drifting from 60 to 300 degrees over the day.
            level += 700 * std::exp(-std::pow(angularDistance(deg, 60 + 10 * hour) / 12, 2));
            // A weaker one circling the other way, twice a day.
            level += 380 * std::exp(-std::pow(angularDistance(deg, 340 - 30 * hour) / 20, 2));
            // A strong daytime source following the sun from east to west.
            if (hour > 6 && hour < 18) {
                const double sun = std::sin((hour - 6) / 12 * M_PI);
                level += 900 * sun * std::exp(-std::pow(angularDistance(deg, 90 + 15 * (hour - 6)) / 8, 2));
            }
            int v = static_cast<int>(level);
            if (v > 1023) v = 1023;
            // The receiver was down from 14:00 to 14:40.
            if (i >= 420 && i < 440) v = -1;
            const auto word = static_cast<std::uint16_t>(static_cast<std::int16_t>(v));
            bytes.push_back(static_cast<unsigned char>(word & 0xFF));
            bytes.push_back(static_cast<unsigned char>(word >> 8));
        }
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
