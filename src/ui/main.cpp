// dtchart: a viewer for one day of direction-resolved signal observations.

#include "ui/viewer_main.h"

int main(int argc, char* argv[]) { return dtchart::RunViewer(argc, argv); }
