#pragma once
// The program's icon on its windows, so that window lists and task switchers
// show it (the desktop entry names the same picture for menus). The build
// embeds resources/icon-64.png; it is decoded once, when the first window is
// made.

struct SDL_Surface;

namespace tk::platform {

// The icon as a 32-bit surface with alpha, or null when it cannot be decoded.
// The caller frees it.
SDL_Surface* LoadWindowIcon();

}  // namespace tk::platform
