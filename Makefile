# The everyday commands:
#   make run      installs what building and running need, builds and starts the program
#   make test     also installs the test tools, builds with warnings as errors and runs every test
#   make package  installs what building and packaging need and makes the Debian package
#                 in $(PACKAGE_BUILD) (a Release build of the program alone)
# Cross builds:
#   make windows       the Windows build (MinGW-w64) in build-windows/
#   make windows-test  ... and its tests under Wine
#   make web           the browser build (emscripten): the page in build-web/site/
#   make web-test      ... and its tests under node
#   make web-e2e       ... and the page played in headless Chromium (tests/web/e2e)
BUILD ?= build
PACKAGE_BUILD ?= build-package
WINDOWS_BUILD ?= build-windows
WEB_BUILD ?= build-web
JOBS ?= $(shell nproc)
# Which packages tools/deps.sh installs: run, test or package.
DEPS ?= run
CMAKE_FLAGS ?=

.PHONY: deps configure build run test package clean windows windows-test web web-test web-e2e

# The settings of a goal hold for what it builds first, too.
test: DEPS = test
test: CMAKE_FLAGS = -DMV_WERROR=ON -DMV_TESTS=ON
windows: DEPS = test
windows: CMAKE_FLAGS = -DMV_WERROR=ON -DMV_TESTS=ON
web: DEPS = test
web: CMAKE_FLAGS = -DMV_WERROR=ON -DMV_TESTS=ON

deps:
	@bash tools/deps.sh $(DEPS)

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/mirvolant

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

package: DEPS = package
package: deps
	@cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_BINDIR=games -DMV_TESTS=OFF -DMV_BENCH=OFF >/dev/null
	@cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(PACKAGE_BUILD) $(WINDOWS_BUILD) $(WEB_BUILD)

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

web-e2e: web
	bash tests/web/e2e/run.sh
