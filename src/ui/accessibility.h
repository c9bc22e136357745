#pragma once
// What a screen reader is told of the application: the window as a window, the picture boxes as
// images, and of the application's top-level windows only those on screen.

namespace dtchart {

// Installs the accessibility factory; once is enough, more calls do nothing. Before the
// application or any window asks for its accessible interface, which Qt then keeps.
void InstallAccessibleRoles();

}  // namespace dtchart
