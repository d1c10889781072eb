#pragma once
// The browser back end in the page (Browser.cpp, with platform.js).

#include <memory>
#include <string>

#include "toolkit/base/Files.h"
#include "toolkit/platform/Platform.h"

namespace tk::platform::web {

// Opens the back end over the page; game names the game and its rules, which
// the journal it keeps and replays carries (see Journal).
std::unique_ptr<Platform> OpenBrowserPlatform(const std::string& game);

// The files the page fetched and handed over (Module.mv.putFile), by their
// paths: the page has no other file system.
FileSource PageFiles();

}  // namespace tk::platform::web
