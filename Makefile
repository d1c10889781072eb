# The two everyday commands:
#   make run   installs what is missing, builds and starts the program
#   make test  installs what is missing, builds and runs every test
# Cross builds:
#   make windows       the Windows build (MinGW-w64) in build-windows/
#   make windows-test  ... and its tests under Wine
BUILD ?= build
WINDOWS_BUILD ?= build-windows
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test clean windows windows-test

deps:
	@bash tools/deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/mirvolant

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)

# The Windows build also renders the dialogs natively, to compare pixels.
windows: configure
	@bash tools/cross/deps.sh mingw64 $(WINDOWS_BUILD)
	@cmake -S . -B $(WINDOWS_BUILD) -G Ninja -C $(WINDOWS_BUILD)/cross-deps.cmake \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw64.cmake \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMV_NATIVE_BUILD_DIR=$(abspath $(BUILD)) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target render_tests
	@cmake --build $(WINDOWS_BUILD) -j $(JOBS)

windows-test: windows
	cd $(WINDOWS_BUILD) && ctest --output-on-failure -j $(JOBS)
