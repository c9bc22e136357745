// Start-up probe: the viewer's own start-up, ending the process as soon as the window has
// painted for the first time.

#include "first_paint_exit.h"
#include "ui/viewer_main.h"

int main(int argc, char* argv[]) {
    return dtchart::RunViewer(argc, argv,
                              [](QWidget& window) { new dtchart::bench::FirstPaintExit(&window); });
}
