#pragma once
// Numbers as text for text boxes and printed labels: at most 7 significant digits for single
// precision and 15 for double, trailing zeros dropped, in fixed-point form while the digits
// fit and in scientific form (1.745329E-02) otherwise.

#include <string>

namespace dtchart {

std::string FormatSignificant(double value, int digits);
inline std::string FormatSingle(float value) { return FormatSignificant(value, 7); }
inline std::string FormatDouble(double value) { return FormatSignificant(value, 15); }

}  // namespace dtchart
