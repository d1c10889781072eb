// The program's entry: real windows through SDL, then the dialog set.

#include "app/DialogSet.h"
#include "toolkit/platform/sdl/SdlPlatform.h"

int main(int /*argc*/, char** argv) {
  tk::platform::SdlPlatform platform;
  return mirvolant::RunProgram(platform, argv[0]);
}
