#include "toolkit/platform/sdl/WindowIcon.h"

#include <SDL.h>
#include <png.h>

#include <cstddef>
#include <cstring>

// Written by the build from resources/icon-64.png.
extern "C" const unsigned char kMvWindowIconPng[];
extern "C" const size_t kMvWindowIconPngSize;

namespace tk::platform {

SDL_Surface* LoadWindowIcon() {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, kMvWindowIconPng, kMvWindowIconPngSize))
    return nullptr;
  // BGRA bytes are ARGB8888 words on a little-endian machine, RGBA on a big one.
  const bool little = SDL_BYTEORDER == SDL_LIL_ENDIAN;
  image.format = little ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormat(0, static_cast<int>(image.width),
                                     static_cast<int>(image.height), 32, SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr) {
    png_image_free(&image);
    return nullptr;
  }
  if (!png_image_finish_read(&image, nullptr, surface->pixels, surface->pitch, nullptr)) {
    SDL_FreeSurface(surface);
    return nullptr;
  }
  return surface;
}

}  // namespace tk::platform
