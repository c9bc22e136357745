#pragma once
// The viewer's start-up: the application, Qt's translations, the window with the desktop's
// message boxes and file dialog, its load handler, then the window shown and the event loop.

#include <functional>

class QWidget;

namespace dtchart {

// Returns the process's exit code. `beforeShow`, when given, sees the window just before it is
// shown (the start-up benchmark hooks in there).
int RunViewer(int argc, char* argv[], const std::function<void(QWidget&)>& beforeShow = {});

}  // namespace dtchart
