#!/usr/bin/env bash
# Builds the program and its tests with clang, AddressSanitizer (leaks
# included) and UndefinedBehaviorSanitizer, and runs the test suite under them.
#
#   tools/sanitize.sh     (in build-asan/)
#
# Left out here, and why:
# - the benchmarks: they measure speed, which sanitizers distort;
# - the fuzz tests (label "fuzz"): each already builds its own clang sub-build
#   with both sanitizers and runs there from the plain build's test suite;
# - the game played under Xvfb (e2e_play_quest): it runs the program under
#   libfaketime's LD_PRELOAD, which the sanitizer runtime refuses (it must be
#   the first library loaded), and it plays an hour of countdown.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${JOBS:-2}
export CMAKE_BUILD_PARALLEL_LEVEL=$jobs CTEST_PARALLEL_LEVEL=$jobs

# The monkey plays 100,000 events here instead of 300,000: the sanitizers
# make each event about ten times dearer.
export MV_MONKEY_EVENTS=${MV_MONKEY_EVENTS:-100000}

# The workflow "sanitize" (CMakePresets.json) configures build-asan/ with
# clang and both sanitizers, builds it and runs the tests with the
# sanitizers' settings, leaving out what is said above.
cmake --workflow --preset sanitize
