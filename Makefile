# The everyday commands:
#   make run      installs what building and running need, builds and starts the program
#   make test     also installs the test tools, builds with warnings as errors and runs every test
#   make package  also installs the packaging tools and makes the Debian package in $(BUILD)
BUILD ?= build
JOBS ?= $(shell nproc)
# Which packages tools/deps.sh installs: run, test or package.
DEPS ?= run
CMAKE_FLAGS ?=

.PHONY: deps configure build run test package clean

# The settings of a goal hold for what it builds first, too.
test: DEPS = test
test: CMAKE_FLAGS = -DMV_WERROR=ON -DMV_TESTS=ON
package: DEPS = package

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

package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
