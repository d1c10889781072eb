# The everyday commands:
#   make run      installs what building and running need, builds and starts the program
#   make test     also installs the test tools, builds with warnings as errors and runs every test
#   make package  installs what building and packaging need and makes the Debian package
#                 in build-package/ (a Release build of the program alone)
# Cross builds:
#   make windows       the Windows build (MinGW-w64) in build-windows/, its installer and zip
#   make windows-test  ... and its tests under Wine
#   make web           the browser build (emscripten): the page in build-web/site/
#   make web-test      ... and its tests under node
#   make web-e2e       ... and the page played in headless Chromium (tests/web/e2e)
# Each goal configures, builds, tests and packages with the presets of
# CMakePresets.json of the same name (`cmake --list-presets=all` lists them).
JOBS ?= $(shell nproc)
# Which packages tools/deps.sh installs: run, test or package.
DEPS ?= run
# The preset of build/: default, or test (warnings as errors, every test).
PRESET ?= default

# Builds and tests use JOBS processes, in workflows as well.
export CMAKE_BUILD_PARALLEL_LEVEL := $(JOBS)
export CTEST_PARALLEL_LEVEL := $(JOBS)

.PHONY: deps configure build run test package clean windows windows-test web web-test web-e2e

# The settings of a goal hold for what it builds first, too: the cross builds
# compare their pixels with the Linux build's tests.
test windows windows-test web web-test web-e2e: DEPS = test
test windows windows-test web web-test web-e2e: PRESET = test

deps:
	@bash tools/deps.sh $(DEPS)

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

run: build
	./build/mirvolant

test: deps
	@cmake --workflow --preset test

package: DEPS = package
package: deps
	@cmake --workflow --preset package

clean:
	rm -rf build build-asan build-package build-windows build-web

# The Windows build also renders the dialogs natively, to compare pixels.
windows: configure
	@bash tools/cross/deps.sh mingw64
	@cmake --build --preset test --target render_tests
	@cmake --workflow --preset windows

windows-test: windows
	@ctest --preset windows

# The web build's tests compare their pixels with the Linux build's too.
web: configure
	@bash tools/cross/deps.sh wasm
	@cmake --build --preset test --target render_tests
	@cmake --workflow --preset web

web-test: web
	@ctest --preset web

web-e2e: web
	bash tests/web/e2e/run.sh
