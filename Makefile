# dtchart: `make run` to start the viewer, `make test` to run every test headless.
# Both install whatever Debian packages are missing first.

BUILD      ?= build
SAN_BUILD  ?= build-sanitize
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
WIN_BUILD  ?= build-windows
ARM_BUILD  ?= build-arm64
# Qt for Windows at the host Qt's version, made once by scripts/build-qt-windows (from
# ../shared/windows/ when it is there, or DTCHART_QT_W64_ARCHIVE, else built from Debian's
# source) into ~/.cache/dtchart/qt-VERSION-w64 unless QT_W64 names another folder.
QT_W64     ?=
CMAKE      ?= cmake
GENERATOR  ?= Ninja
FUZZ_SECONDS ?= 60
BENCH_JOBS ?= 2

.PHONY: all deps deps-windows build run screenshot test test-desktops test-sanitize package bench fuzz install clean \
        windows test-windows package-windows release check-reproducible deps-arm64 arm64 test-arm64 \
        package-arm64

all: build

deps:
	@sh scripts/install-deps

$(BUILD)/build.ninja: CMakeLists.txt | deps
	$(CMAKE) -S . -B $(BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	$(CMAKE) --build $(BUILD)

# The viewer starts in the sample folder, so the file dialog opens on the sample day.
run: build
	cd $(BUILD)/samples && exec ../dtchart

# docs/screenshot.png: the window as the window test drives it, on a private X11 display at
# scale 1 in Japanese, with the sample day loaded and the time scroll bar dragged to mid-day.
screenshot: build
	/usr/bin/python3 -B tests/e2e/window_e2e.py --screenshot docs/screenshot.png \
	  $(BUILD)/dtchart $(BUILD)/samples/250131.log

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -LE desktops

# The window on GNOME Shell and on KWin (Plasma 6 from Debian 13 on) through each desktop's own
# file dialog, in light and dark; installs the desktops first (scripts/install-deps --desktops).
test-desktops: build
	@sh scripts/install-deps --desktops
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -L desktops

test-sanitize: deps
	$(CMAKE) -S . -B $(SAN_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DDTCHART_SANITIZE=ON
	$(CMAKE) --build $(SAN_BUILD)
	cd $(SAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -LE 'e2e|package'

bench: deps
	$(CMAKE) -S . -B $(BENCH_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DDTCHART_TESTS=OFF -DDTCHART_BENCH=ON
	$(CMAKE) --build $(BENCH_BUILD) -j $(BENCH_JOBS)
	QT_QPA_PLATFORM=offscreen $(BENCH_BUILD)/bench/dtchart_bench

fuzz: deps
	CC=clang CXX=clang++ $(CMAKE) -S . -B $(FUZZ_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDTCHART_TESTS=OFF -DDTCHART_FUZZ=ON
	$(CMAKE) --build $(FUZZ_BUILD)
	sh fuzz/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The Debian package for this machine's release: $(BUILD)/dtchart_<version>-1+deb<N>_<arch>.deb.
# Its files' times are the last commit's, and the umask fixed (CPack gives the .deb's members the
# modes of its temporary files), so that the same commit gives the same package.
package: export SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
package: build
	umask 022 && $(CMAKE) --build $(BUILD) --target package

# Windows: $(WIN_BUILD)/dtchart.exe with everything it needs beside it, cross-built with
# MinGW-w64; its tests run under Wine.
deps-windows: deps
	@sh scripts/install-deps --windows
	@bash scripts/build-qt-windows $(QT_W64)

$(WIN_BUILD)/build.ninja: CMakeLists.txt | deps-windows
	$(CMAKE) -S . -B $(WIN_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_PREFIX_PATH="$$(bash scripts/build-qt-windows --print-prefix $(QT_W64))"

windows: deps-windows $(WIN_BUILD)/build.ninja
	$(CMAKE) --build $(WIN_BUILD)

# The installer tests (label installer) build the setup program and zip themselves with CPack;
# the real window's runs under Wine (label wine) drive the program the setup program installs.
test-windows: package-windows
	cd $(WIN_BUILD) && ctest --output-on-failure -LE linux

# The setup program and the zip: $(WIN_BUILD)/dtchart-<version>-win64.exe and .zip.
package-windows: windows
	$(CMAKE) --build $(WIN_BUILD) --target package

# Linux on arm64: $(ARM_BUILD)/dtchart, cross-built with Debian's arm64 toolchain and Qt
# (scripts/install-deps --arm64); its tests run here under qemu-aarch64: every QtTest suite,
# the window on X11 in C and Japanese, its pictures against this machine's build of the same
# tree, and the package, checked and then installed with apt in a bare arm64 root of this
# release (scripts/in-debian --arch arm64). Where this machine cannot run arm64 programs it
# says why and stops (status 77).
deps-arm64: deps
	@sh scripts/install-deps --arm64

$(ARM_BUILD)/build.ninja: CMakeLists.txt | deps-arm64
	$(CMAKE) -S . -B $(ARM_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/aarch64-linux-gnu.cmake -DDTCHART_HOST_BUILD=$(CURDIR)/$(BUILD)

arm64: deps-arm64 $(ARM_BUILD)/build.ninja
	$(CMAKE) --build $(ARM_BUILD)

test-arm64: build arm64
	@/usr/bin/qemu-aarch64 /usr/lib/aarch64-linux-gnu/ld-linux-aarch64.so.1 --version >/dev/null 2>&1 || \
	  { echo "test-arm64: this machine cannot run arm64 programs: qemu-aarch64 does not start arm64's loader"; exit 77; }
	cd $(ARM_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -LE desktops

# The arm64 package for this machine's release: $(ARM_BUILD)/dtchart_<version>-1+deb<N>_arm64.deb.
package-arm64: export SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
package-arm64: arm64
	umask 022 && $(CMAKE) --build $(ARM_BUILD) --target package

# Every artifact of this version from the last commit, with SHA256SUMS, in
# build-release/<version>/ (scripts/make-release); and the check that two builds of the same
# sources are byte for byte the same (scripts/check-reproducible).
release:
	@bash scripts/make-release

check-reproducible:
	@bash scripts/check-reproducible

install: build
	$(CMAKE) --install $(BUILD)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(WIN_BUILD) $(ARM_BUILD)
