#pragma once
// The program's icon on its windows, so that window lists and task switchers
// show it (the desktop entry names the same picture for menus). The build
// embeds the pixels of resources/icon-64.png.

struct SDL_Surface;

namespace tk::platform {

// The icon as a 32-bit surface with alpha over the embedded pixels, or null
// when SDL cannot make one. The caller frees it.
SDL_Surface* LoadWindowIcon();

}  // namespace tk::platform
