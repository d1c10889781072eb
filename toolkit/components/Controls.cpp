#include "toolkit/components/Controls.h"

#include <algorithm>

#include "toolkit/components/Classes.h"
#include "toolkit/components/Properties.h"
#include "toolkit/graphics/Graphics.h"
#include "toolkit/paint/Font.h"

namespace tk {

namespace {
const ClassRegistration<TPanel> kPanel("TPanel");
const ClassRegistration<TLabel> kLabel("TLabel");
const ClassRegistration<TMemo> kMemo("TMemo");
const ClassRegistration<TImage> kImage("TImage");
}  // namespace

// The text as drawn: "&" marks the next character as the accelerator and
// "&&" stands for one "&".
AnsiString WithoutAccelMarks(std::string_view line) {
  if (line.find('&') == std::string_view::npos) return AnsiString(line);
  AnsiString out;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '&' && i + 1 < line.size()) ++i;
    out.push_back(line[i]);
  }
  return out;
}

// ---------------------------------------------------------------- TPanel

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 185, 41);
}

// ---------------------------------------------------------------- TLabel

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 17);
}

std::vector<std::string_view> TLabel::Lines() const {
  std::vector<std::string_view> lines;
  std::string_view text = CaptionText();
  size_t start = 0;
  while (true) {
    size_t cr = text.find('\r', start);
    if (cr == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, cr - start));
    start = cr + 1;
  }
  return lines;
}

void TLabel::AdjustSize() {
  const Font& font = GetFont();
  int width = 0;
  int height = 0;
  if (CaptionText().empty()) {
    // An empty caption measures as one blank.
    width = font.TextWidth(" ");
    height = font.TextHeight();
  } else {
    for (std::string_view line : Lines()) {
      width = std::max(width, font.TextWidth(WithoutAccelMarks(line)));
    }
    height = font.TextHeight() * static_cast<int>(Lines().size());
  }
  SetBounds(Left(), Top(), width, height);
}

bool TLabel::DescribeAccessible(platform::AccessibleNode& node) const {
  node.role = platform::Role::Label;
  AnsiString text;
  std::vector<std::string_view> lines = Lines();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text.push_back('\n');
    text += WithoutAccelMarks(lines[i]);
  }
  node.name = AnsiToUtf8(text);
  return true;
}

void TLabel::CaptionChanged() {
  Invalidate();
  AdjustSize();
}

// ------------------------------------------------------------------ TMemo

TMemo::TMemo(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 185, 89);
  SetTabStop(true);
  SetColor(colors::clWindow);
}

void TMemo::SetLines(std::vector<AnsiString> lines) {
  lines_ = std::move(lines);
  Invalidate();
}

std::vector<AnsiString> TMemo::WrappedLines() const {
  const Font& font = GetFont();
  // The text area lies inside the border with a one-pixel margin each side.
  int border = Ctl3D() ? 2 : 1;
  int width = Width() - 2 * border - 2;
  std::vector<AnsiString> out;
  for (const AnsiString& line : lines_) {
    std::string_view rest = line;
    if (rest.empty()) {
      out.emplace_back();
      continue;
    }
    while (!rest.empty()) {
      if (font.TextWidth(rest) <= width) {
        out.emplace_back(rest);
        break;
      }
      // The longest prefix that fits, broken after the last blank in it.
      size_t fit = 0;
      int w = 0;
      while (fit < rest.size()) {
        int cw = font.CharWidth(static_cast<uint8_t>(rest[fit]));
        if (w + cw > width) break;
        w += cw;
        ++fit;
      }
      size_t cut = fit;
      size_t blank = rest.substr(0, fit + 1).find_last_of(' ');
      if (blank != std::string_view::npos && blank > 0) {
        cut = blank + 1;  // the blank stays at the end of the line
      } else if (cut == 0) {
        cut = 1;  // a character wider than the memo still makes progress
      }
      out.emplace_back(rest.substr(0, cut));
      rest.remove_prefix(cut);
    }
  }
  return out;
}

bool TMemo::DescribeAccessible(platform::AccessibleNode& node) const {
  node.role = platform::Role::TextArea;
  AnsiString text;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) text.push_back('\n');
    text += lines_[i];
  }
  node.value = AnsiToUtf8(text);
  // The memo does not edit: its text is there to be read, also while the
  // memo is disabled (which only keeps the pointer and the keys out).
  node.states &= ~platform::states::kDisabled;
  node.states |= platform::states::kReadOnly | platform::states::kMultiLine;
  return true;
}

const PropertyTable& TMemo::PublishedProperties() {
  static const PropertyTable table(
      &TWinControl::PublishedProperties(),
      {Strings<TMemo>("Lines.Strings",
                      [](TMemo& m, const std::vector<AnsiString>& v) { m.lines_ = v; })});
  return table;
}

// ----------------------------------------------------------------- TImage

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(new TPicture) {
  SetBounds(0, 0, 105, 105);
  picture_->OnChange = [this] {
    if (!painting_) Invalidate();
  };
}

TImage::~TImage() = default;

bool TImage::DescribeAccessible(platform::AccessibleNode& node) const {
  node.role = platform::Role::Image;
  return true;
}

const PropertyTable& TImage::PublishedProperties() {
  // Only the picture at its own size from the top-left corner is drawn.
  static const PropertyTable table(
      &TControl::PublishedProperties(),
      {Binary<TImage>("Picture.Data",
                      [](TImage& image, std::string_view blob) {
                        TMemoryStream stream(blob.data(), blob.size());
                        image.picture_->LoadPictureBlob(stream);
                      }),
       OnlyBoolean("Stretch", false), OnlyBoolean("Center", false),
       OnlyBoolean("Proportional", false), OnlyBoolean("Transparent", false),
       OnlyBoolean("AutoSize", false)});
  return table;
}

// -------------------------------------------------------------- TStopIcon

TStopIcon::TStopIcon(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 32, 32);
}

}  // namespace tk
