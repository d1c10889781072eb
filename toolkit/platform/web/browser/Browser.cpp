// The browser's side of the web back end: the host functions in JavaScript
// (the page's part is in platform.js, which the program's link puts before
// the compiled code as Module.mv), and the factory of the native back end.
//
// Waiting suspends the compiled code with Asyncify until the page's next
// input or the deadline, so the browser runs meanwhile; nothing polls.

#include "toolkit/platform/web/browser/Browser.h"

#include <emscripten.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/platform/web/WebPlatform.h"

// clang-format off
EM_JS(double, mv_wall_ms, (), { return Date.now(); });
EM_JS(double, mv_precise_ms, (), { return performance.now(); });
EM_JS(void, mv_viewport, (int* size, double* ratio), {
  var v = Module.mv.viewport();
  HEAP32[size >> 2] = v.width;
  HEAP32[(size >> 2) + 1] = v.height;
  HEAPF64[ratio >> 3] = v.ratio;
});
// Fills numbers with the next input's numeric fields (see NextInput) and
// returns 1, or 0 when none waits; its names and text (the event's type, the
// key, its code, the text) stay for mv_input_string.
EM_JS(int, mv_next_input, (double* numbers), {
  var e = Module.mv.queue.shift();
  if (!e) return 0;
  var n = [e.wallMs, e.x || 0, e.y || 0, e.button || 0, e.touch ? 1 : 0, e.modifiers || 0,
           e.repeat ? 1 : 0, e.width || 0, e.height || 0, e.ratio || 1, e.node || 0,
           e.action || 0];
  for (var i = 0; i < n.length; ++i) HEAPF64[(numbers >> 3) + i] = n[i];
  Module.mv.strings = [e.type, e.key || "", e.code || "", e.text || ""];
  return 1;
});
EM_JS(int, mv_input_string_size, (int which), {
  return lengthBytesUTF8(Module.mv.strings[which]) + 1;
});
EM_JS(void, mv_input_string, (int which, char* out, int size), {
  stringToUTF8(Module.mv.strings[which], out, size);
});
EM_JS(void, mv_sleep, (double ms), {
  return Asyncify.handleSleep(function (wakeUp) { Module.mv.sleep(ms, wakeUp); });
});
EM_JS(void, mv_set_surface, (int width, int height, double scale), {
  Module.mv.setSurface(width, height, scale);
});
EM_JS(void, mv_show, (const uint32_t* picture, int width, int height, const int* rects,
                      int count), {
  Module.mv.show(picture, width, height, HEAP32.subarray(rects >> 2, (rects >> 2) + count * 4));
});
EM_JS(int, mv_journal_size, (int copy), {
  Module.mv.journal = Module.mv.loadJournal(copy);
  return lengthBytesUTF8(Module.mv.journal) + 1;
});
EM_JS(void, mv_journal, (char* out, int size), { stringToUTF8(Module.mv.journal, out, size); });
EM_JS(int, mv_save_journal, (int copy, const char* text), {
  return Module.mv.saveJournal(copy, UTF8ToString(text)) ? 1 : 0;
});
EM_JS(void, mv_set_text_input, (int wanted, int left, int top, int width, int height,
                                double node), {
  Module.mv.setTextInput(!!wanted, left, top, width, height, node);
});
EM_JS(int, mv_mirroring, (), { return Module.mv.mirroring() ? 1 : 0; });
EM_JS(void, mv_mirror, (const char* operations), {
  Module.mv.mirror(JSON.parse(UTF8ToString(operations)));
});
EM_JS(void, mv_journal_refused, (), { Module.mv.journalRefused(); });
EM_JS(void, mv_replay_finished, (double ms, int records), {
  Module.mv.replayFinished(ms, records);
});
EM_JS(void, mv_publish, (double clock, int records, double scale, const char* windows), {
  Module.mv.publish(clock, records, scale, JSON.parse(UTF8ToString(windows)));
});
// The size of a file the page handed over, or -1 when it has none.
EM_JS(double, mv_file_size, (const char* path), {
  var file = Module.mv.files[UTF8ToString(path)];
  return file ? file.length : -1;
});
EM_JS(void, mv_file_read, (const char* path, char* out), {
  HEAPU8.set(Module.mv.files[UTF8ToString(path)], out);
});
// clang-format on

namespace tk::platform {

namespace {

using web::RawInput;

class BrowserHost : public web::Host {
 public:
  void Attach(web::WebPlatform* platform) { platform_ = platform; }

  int64_t WallMs() override { return static_cast<int64_t>(mv_wall_ms()); }
  double PreciseMs() override { return mv_precise_ms(); }

  void Viewport(int& width, int& height, double& ratio) override {
    int size[2] = {0, 0};
    mv_viewport(size, &ratio);
    width = size[0];
    height = size[1];
  }

  bool NextInput(RawInput& out) override {
    double n[12];
    while (mv_next_input(n) != 0) {
      std::optional<RawInput::Kind> kind = RawInput::KindOf(InputString(0));
      if (!kind) continue;
      out = RawInput{};
      out.kind = *kind;
      out.wallMs = static_cast<int64_t>(n[0]);
      out.x = n[1];
      out.y = n[2];
      out.button = static_cast<int>(n[3]);
      out.touch = n[4] != 0;
      out.modifiers = static_cast<uint8_t>(n[5]);
      out.repeat = n[6] != 0;
      out.width = static_cast<int>(n[7]);
      out.height = static_cast<int>(n[8]);
      out.ratio = n[9];
      out.node = n[10] >= 0 && n[10] <= 4294967295.0 ? static_cast<NodeId>(n[10]) : kNoNode;
      out.action = n[11] == 1   ? AccessibleAction::Focus
                   : n[11] == 2 ? AccessibleAction::SetText
                                : AccessibleAction::Press;
      out.key = InputString(1);
      out.code = InputString(2);
      out.text = InputString(3);
      return true;
    }
    return false;
  }

  void Sleep(int64_t ms) override {
    Publish();
    mv_sleep(static_cast<double>(ms));
  }

  void SetSurface(int width, int height, double scale) override {
    mv_set_surface(width, height, scale);
  }

  void Show(const std::vector<uint32_t>& picture, int width,
            const std::vector<TRect>& rects) override {
    std::vector<int> flat;
    flat.reserve(rects.size() * 4);
    for (const TRect& r : rects) {
      flat.insert(flat.end(), {r.Left, r.Top, r.Width(), r.Height()});
    }
    int height = width > 0 ? static_cast<int>(picture.size() / static_cast<size_t>(width)) : 0;
    mv_show(picture.data(), width, height, flat.data(), static_cast<int>(rects.size()));
  }

  std::string LoadJournal(int copy) override {
    std::vector<char> text(static_cast<size_t>(mv_journal_size(copy)));
    mv_journal(text.data(), static_cast<int>(text.size()));
    return text.data();
  }
  bool SaveJournal(int copy, const std::string& text) override {
    return mv_save_journal(copy, text.c_str()) != 0;
  }
  void SetTextInput(bool wanted, const TRect& area, NodeId node) override {
    mv_set_text_input(wanted ? 1 : 0, area.Left, area.Top, area.Width(), area.Height(),
                      static_cast<double>(node));
  }
  bool Mirroring() override { return mv_mirroring() != 0; }
  void Mirror(const std::string& operations) override { mv_mirror(operations.c_str()); }
  void JournalRefused() override { mv_journal_refused(); }
  void ReplayFinished(double ms, size_t records) override {
    mv_replay_finished(ms, static_cast<int>(records));
  }

 private:
  static std::string InputString(int which) {
    std::vector<char> text(static_cast<size_t>(mv_input_string_size(which)));
    mv_input_string(which, text.data(), static_cast<int>(text.size()));
    return text.data();
  }

  // Tells the page the clock, the journal's length and where the windows
  // are, for its tests and tools.
  void Publish() {
    if (platform_ == nullptr) return;
    const web::WindowManager& d = platform_->Windows();
    std::string windows = "[";
    for (WindowId id : d.Stacking()) {
      TRect r = d.OuterRect(id);
      if (windows.size() > 1) windows += ",";
      windows += "{\"id\":" + std::to_string(id) + ",\"left\":" + std::to_string(r.Left) +
                 ",\"top\":" + std::to_string(r.Top) + ",\"width\":" + std::to_string(r.Width()) +
                 ",\"height\":" + std::to_string(r.Height()) +
                 ",\"active\":" + (d.Active() == id ? "true" : "false") +
                 ",\"enabled\":" + (d.Enabled(id) ? "true" : "false") + "}";
    }
    windows += "]";
    mv_publish(static_cast<double>(platform_->NowMs()),
               static_cast<int>(platform_->CurrentJournal().Records().size()),
               platform_->ScaleFactor(), windows.c_str());
  }

  web::WebPlatform* platform_ = nullptr;
};

}  // namespace

std::unique_ptr<Platform> web::OpenBrowserPlatform(const std::string& game) {
  // One page, one back end: the host lives as long as the page.
  static BrowserHost host;
  auto platform = std::make_unique<web::WebPlatform>(host, game);
  host.Attach(platform.get());
  return platform;
}

FileSource web::PageFiles() {
  return [](const std::string& path) -> std::optional<std::string> {
    double size = mv_file_size(path.c_str());
    if (size < 0) return std::nullopt;
    std::string bytes(static_cast<size_t>(size), '\0');
    if (!bytes.empty()) mv_file_read(path.c_str(), bytes.data());
    return bytes;
  };
}

}  // namespace tk::platform
