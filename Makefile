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

# The cross builds compare their pixels with the Linux build's: each first
# renders the dialogs natively, then fetches its tool chain (named below).
CROSS_windows := mingw64
CROSS_web := wasm
windows web: configure
	@bash tools/cross/deps.sh $(CROSS_$@)
	@cmake --build --preset test --target render_tests
	@cmake --workflow --preset $@

windows-test web-test: %-test: %
	@ctest --preset $*

web-e2e: web
	bash tests/web/e2e/run.sh
