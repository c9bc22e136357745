#pragma once
// The program's name as its message boxes carry it.

#include <QString>

namespace dtchart {

inline QString ApplicationTitle() { return QStringLiteral("dtchart"); }

}  // namespace dtchart
