# Cross-compiling for Linux on arm64 with Debian's cross toolchain (crossbuild-essential-arm64)
# against Debian's arm64 Qt, installed beside the build machine's own through multiarch
# (scripts/install-deps --arm64). Debian's moc, rcc and uic (qt6-base-dev-tools, Multi-Arch:
# foreign) serve the build from the machine's /usr/lib/qt6/libexec. The programs and the tests
# run under qemu-aarch64.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(PKG_CONFIG_EXECUTABLE /usr/bin/aarch64-linux-gnu-pkg-config CACHE FILEPATH "arm64 pkg-config")
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/qemu-aarch64 CACHE FILEPATH "Runs arm64 programs here")

# The arm64 libraries and CMake packages lie in the multiarch folders of the machine's own root;
# programs (the compilers, Qt's host tools) are the build machine's.
set(CMAKE_FIND_ROOT_PATH /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
