#pragma once
// The control kinds that the dialog descriptions use, plus the push button and
// icon of the error message box. The panel, the label, the memo, the image
// and the icon are defined here; the edit field (Edit.h) and the buttons
// (Buttons.h) have units of their own. Painting is in ControlPaint.cpp.

#include <memory>
#include <string>
#include <vector>

#include "toolkit/components/Buttons.h"
#include "toolkit/components/Control.h"
#include "toolkit/components/Edit.h"

namespace tk {

class TPicture;

// A container with a raised one-pixel bevel and an optional centred caption.
class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* owner);
  const char* ClassName() const override { return "TPanel"; }
  const AnsiString& Caption() const { return CaptionText(); }
  void SetCaption(const AnsiString& text) { SetCaptionText(text); }
  bool CanFocus() const override { return false; }
  void Paint(Canvas& canvas) override;
};

// Opaque text, auto-sized to its lines (carriage returns split lines).
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);
  const char* ClassName() const override { return "TLabel"; }
  const AnsiString& Caption() const { return CaptionText(); }
  void SetCaption(const AnsiString& text) { SetCaptionText(text); }
  // The caption split at carriage returns.
  std::vector<std::string_view> Lines() const;
  // Resizes to the text's extent, keeping the top-left corner.
  void AdjustSize();
  void Loaded() override { AdjustSize(); }
  void Paint(Canvas& canvas) override;
  // Static text: its lines as drawn, joined by line feeds.
  bool DescribeAccessible(platform::AccessibleNode& node) const override;

 protected:
  void CaptionChanged() override;
};

// Multi-line text with word wrapping. Built disabled here, so it shows its
// text greyed and takes no input.
class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent* owner);
  const char* ClassName() const override { return "TMemo"; }
  const std::vector<AnsiString>& Lines() const { return lines_; }
  void SetLines(std::vector<AnsiString> lines);
  // The lines as shown: each entry wrapped at word boundaries to the width.
  std::vector<AnsiString> WrappedLines() const;
  void Paint(Canvas& canvas) override;
  // Read-only text of several lines. A disabled memo still has its text to
  // be read: it is reported read-only, not disabled.
  bool DescribeAccessible(platform::AccessibleNode& node) const override;
  static const PropertyTable& PublishedProperties();
  const PropertyTable& Properties() const override { return PublishedProperties(); }

 private:
  std::vector<AnsiString> lines_;
};

// Shows a picture at its own size from the control's top-left corner.
class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* owner);
  ~TImage() override;
  const char* ClassName() const override { return "TImage"; }
  TPicture& Picture() { return *picture_; }
  void Paint(Canvas& canvas) override;
  // A picture, named by its accessible name (nothing else says what it shows).
  bool DescribeAccessible(platform::AccessibleNode& node) const override;
  static const PropertyTable& PublishedProperties();
  const PropertyTable& Properties() const override { return PublishedProperties(); }

 private:
  std::unique_ptr<TPicture> picture_;
  bool painting_ = false;
};

// The 32 x 32 stop icon of the error message box.
class TStopIcon : public TGraphicControl {
 public:
  explicit TStopIcon(TComponent* owner);
  const char* ClassName() const override { return "TStopIcon"; }
  void Paint(Canvas& canvas) override;
  // A decoration: the message box's role already says it reports an error.
  bool DescribeAccessible(platform::AccessibleNode&) const override { return false; }
};

}  // namespace tk
