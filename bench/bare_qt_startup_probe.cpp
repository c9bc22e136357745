// Baseline start-up probe: a bare Qt application showing an empty window the size of the
// viewer's, ending the process as soon as it has painted for the first time.

#include <QApplication>
#include <QWidget>

#include "first_paint_exit.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(878, 637);
    new dtchart::bench::FirstPaintExit(&window);
    window.show();
    return QApplication::exec();
}
