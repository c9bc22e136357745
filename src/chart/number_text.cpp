#include "chart/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace dtchart {

std::string FormatSignificant(double value, int digits) {
    if (value == 0) return "0";
    if (std::isnan(value)) return "NaN";
    const std::string sign = value < 0 ? "-" : "";
    if (std::isinf(value)) return sign + "Infinity";

    // "d.ddddde+XX": the rounding to `digits` significant digits is printf's.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", digits - 1, std::fabs(value));
    const std::string text(buf);
    const auto ePos = text.find('e');
    std::string mantissa;
    for (std::size_t i = 0; i < ePos; ++i)
        if (text[i] != '.') mantissa += text[i];
    const int exponent = std::atoi(text.c_str() + ePos + 1);
    while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
    const int n = static_cast<int>(mantissa.size());

    const bool fixed = exponent >= 0 ? exponent < digits : (-exponent - 1) + n <= digits;
    if (fixed) {
        if (exponent < 0) return sign + "0." + std::string(-exponent - 1, '0') + mantissa;
        const int whole = exponent + 1;
        if (n <= whole) return sign + mantissa + std::string(whole - n, '0');
        return sign + mantissa.substr(0, whole) + "." + mantissa.substr(whole);
    }
    std::string out = sign + mantissa.substr(0, 1);
    if (n > 1) out += "." + mantissa.substr(1);
    char exp[16];
    std::snprintf(exp, sizeof exp, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return out + exp;
}

}  // namespace dtchart
