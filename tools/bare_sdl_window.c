/* The floor of start-up through SDL2: one window of the given client size,
 * centred, filled with the dialog face colour through the window surface and
 * presented, then idle until it is closed or sent SIGTERM. It sets the one
 * hint the program sets for its surfaces (no OpenGL behind them); everything
 * else is SDL's default.
 *
 * Usage: bare_sdl_window [WIDTH HEIGHT]   (default: the board, 519 x 426) */
#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  int width = argc > 2 ? atoi(argv[1]) : 519;
  int height = argc > 2 ? atoi(argv[2]) : 426;
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    fprintf(stderr, "bare_sdl_window: %s\n", SDL_GetError());
    return 1;
  }
  SDL_Window* window = SDL_CreateWindow("bare SDL2 window", SDL_WINDOWPOS_CENTERED,
                                        SDL_WINDOWPOS_CENTERED, width, height, 0);
  SDL_Surface* surface = window ? SDL_GetWindowSurface(window) : NULL;
  if (surface == NULL) {
    fprintf(stderr, "bare_sdl_window: %s\n", SDL_GetError());
    return 1;
  }
  Uint32 face = SDL_MapRGB(surface->format, 0xD4, 0xD0, 0xC8);
  SDL_FillRect(surface, NULL, face);
  SDL_UpdateWindowSurface(window);
  SDL_Event event;
  while (SDL_WaitEvent(&event)) {
    if (event.type == SDL_QUIT) break;
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED) {
      SDL_FillRect(surface, NULL, face);
      SDL_UpdateWindowSurface(window);
    }
  }
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
