#pragma once
// What a screen reader is told of the application: the window as a window, the picture boxes as
// images, and of the application's top-level windows only those on screen.

namespace dtchart {

// Installs the accessibility factory; once is enough, more calls do nothing. Before any window
// asks for its accessible interface, which Qt then keeps. (Installed before QApplication was
// made, Form1 reached screen readers as a plain filler under Qt 6.4's bridge.)
void InstallAccessibleRoles();

}  // namespace dtchart
