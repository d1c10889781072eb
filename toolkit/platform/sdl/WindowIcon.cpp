#include "toolkit/platform/sdl/WindowIcon.h"

#include <SDL.h>

#include <cstdint>

// Written by the build from resources/icon-64.png: 0xAARRGGBB words.
extern "C" const uint32_t kMvWindowIcon[];
extern "C" const int kMvWindowIconWidth;
extern "C" const int kMvWindowIconHeight;

namespace tk::platform {

SDL_Surface* LoadWindowIcon() {
  // SDL copies the pixels into the window's property; the surface only lends
  // them (it never writes to them).
  return SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<uint32_t*>(kMvWindowIcon), kMvWindowIconWidth, kMvWindowIconHeight, 32,
      kMvWindowIconWidth * static_cast<int>(sizeof(uint32_t)), SDL_PIXELFORMAT_ARGB8888);
}

}  // namespace tk::platform
