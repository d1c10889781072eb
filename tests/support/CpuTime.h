#pragma once
// The processor time the test process has used, for tests of speed.
// std::clock() gives it on Linux, but on Windows and in WebAssembly the wall
// time since the start, which a busy machine stretches.

namespace mirvolant::testing {

double CpuSeconds();

}  // namespace mirvolant::testing
