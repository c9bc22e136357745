#pragma once
// The program's name as its message boxes and its window's class carry it, and the name of its
// desktop entry, by which desktop shells match the window to the entry's name and icon.

#include <QString>

namespace dtchart {

inline QString ApplicationTitle() { return QStringLiteral("dtchart"); }

// Without the ".desktop"; the entry's StartupWMClass is ApplicationTitle().
inline QString DesktopFileName() { return QStringLiteral("org.dtchart.Viewer"); }

}  // namespace dtchart
