#include "CpuTime.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdint>
#elif defined(__EMSCRIPTEN__)
#include <emscripten.h>
#else
#include <ctime>
#endif

namespace mirvolant::testing {

double CpuSeconds() {
#ifdef _WIN32
  FILETIME creation, exit, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) return 0;
  // Both in units of 100 ns.
  auto ticks = [](FILETIME t) { return uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
#elif defined(__EMSCRIPTEN__)
  // The tests run under node, which knows the process's processor time.
  return EM_ASM_DOUBLE({
    const used = process.cpuUsage();
    return (used.user + used.system) / 1e6;
  });
#else
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#endif
}

}  // namespace mirvolant::testing
