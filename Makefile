# The two everyday commands:
#   make run   installs what is missing, builds and starts the program
#   make test  installs what is missing, builds and runs every test
# Cross builds:
#   make windows       the Windows build (MinGW-w64) in build-windows/
#   make windows-test  ... and its tests under Wine
#   make web           the browser build (emscripten) in build-web/
#   make web-test      ... and its tests under node
BUILD ?= build
WINDOWS_BUILD ?= build-windows
WEB_BUILD ?= build-web
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test clean windows windows-test web web-test

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

# The web build's tests compare their pixels with the Linux build's too.
web: configure
	@bash tools/cross/deps.sh wasm $(WEB_BUILD)
	@cmake -S . -B $(WEB_BUILD) -G Ninja -C $(WEB_BUILD)/cross-deps.cmake \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/emscripten.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DMV_NATIVE_BUILD_DIR=$(abspath $(BUILD)) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target render_tests
	@cmake --build $(WEB_BUILD) -j $(JOBS)

web-test: web
	cd $(WEB_BUILD) && ctest --output-on-failure -j $(JOBS)
