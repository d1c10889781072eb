// libFuzzer target for the description reader.
//
// Each input is read as a dialog description: parsed, then built into a test
// dialog whose class takes the name the description asks for and offers the
// handler names the program's own dialogs use. A dialog that builds gets its
// window and is painted once, so that the values it took in are also drawn.
// The only acceptable failures are the toolkit's own exceptions; anything
// else (a crash, a sanitizer report, a foreign exception) is a finding.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "toolkit/base/Exceptions.h"
#include "toolkit/forms/Application.h"
#include "toolkit/forms/Form.h"
#include "toolkit/platform/headless/HeadlessPlatform.h"
#include "toolkit/reader/Reader.h"

namespace {

// Windows larger than this are built but not painted: their buffers would
// only measure the machine's memory.
constexpr int64_t kMaxPaintedPixels = 4'000'000;

class TFuzzDialog : public tk::TForm {
 public:
  explicit TFuzzDialog(std::string className) : className_(std::move(className)) {
    auto nothing = [](tk::TObject*) {};
    Handler("FormActivate", nothing);
    for (int i = 1; i <= 10; ++i) Handler("SpeedButton" + std::to_string(i) + "Click", nothing);
    for (int i = 1; i <= 3; ++i) Handler("Timer" + std::to_string(i) + "Timer", nothing);
    for (int i = 1; i <= 9; ++i) {
      KeyHandler("MaskEdit" + std::to_string(i) + "KeyPress", [](tk::TObject*, char&) {});
    }
  }
  const char* ClassName() const override { return className_.c_str(); }

 private:
  std::string className_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tk::platform::HeadlessPlatform platform;
  static tk::DescriptionReader reader({});
  static tk::TApplication application(platform, "/usr/games/mirvolant", &reader);

  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<tk::DescriptionNode> root;
  try {
    root = tk::ParseDescription(text);
  } catch (const tk::EReadError&) {
    return 0;
  }
  // Half of the inputs keep their class, so the class check is fuzzed too.
  std::string className = (size & 1) != 0 ? root->className : "TFuzzDialog";
  auto form = std::make_unique<TFuzzDialog>(className);
  try {
    tk::BuildDialog(*form, *root);
  } catch (const tk::EReadError&) {
    return 0;
  }
  if (int64_t{form->ClientWidth()} * form->ClientHeight() > kMaxPaintedPixels) return 0;
  try {
    form->CreateWindowHandle();
    form->InvalidateClient(tk::TRect{0, 0, form->ClientWidth(), form->ClientHeight()});
    form->PaintPending();
  } catch (const tk::Exception&) {
    // A picture that fails to decode reports at its first paint.
  }
  return 0;
}
