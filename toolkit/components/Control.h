#pragma once
// Controls: rectangles in their parent's client area that paint themselves
// and take mouse input. Windowed controls (TWinControl) also hold children,
// take the keyboard focus and stack above their non-windowed siblings.

#include <string_view>
#include <vector>

#include "toolkit/base/Geometry.h"
#include "toolkit/components/Component.h"
#include "toolkit/components/ControlHost.h"
#include "toolkit/platform/Platform.h"

namespace tk {

class Canvas;
class Font;
class PropertyTable;
class TWinControl;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The outer rectangle in the parent's client coordinates.
  TRect BoundsRect() const { return TRect::FromSize(left_, top_, width_, height_); }
  void SetBounds(int left, int top, int width, int height);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Visible with every parent up to the dialog (the dialog's own visibility
  // is not part of it).
  bool Showing() const;
  // Enabled with every parent up to the dialog.
  bool EnabledInTree() const;

  TWinControl* Parent() const { return parent_; }
  void SetParent(TWinControl* parent);
  // This control is ancestor or lies inside it.
  bool IsWithin(const TControl* ancestor) const;
  // The dialog this control belongs to: the host of the top of its parent
  // chain, or null while it has none.
  ControlHost* Host() const override;
  // The dialog font, inherited by every control.
  const Font& GetFont() const;
  TColor Color() const { return color_; }

  virtual bool IsWindowed() const { return false; }
  // The control's top-left corner in the dialog's client coordinates.
  TPoint OriginInForm() const;
  // Repaints the whole control, or a rectangle of it (local coordinates).
  void Invalidate();
  void InvalidateRect(const TRect& local);

  // Draws the control into a canvas whose origin is its top-left corner and
  // whose clip is already cut to its bounds and its parents' client areas.
  virtual void Paint(Canvas& canvas) = 0;

  // Mouse input in local coordinates; only enabled, showing controls get it.
  virtual void MouseDown(int /*x*/, int /*y*/, uint8_t /*modifiers*/) {}
  virtual void MouseMove(int /*x*/, int /*y*/, bool /*captured*/) {}
  // inside tells whether the release happened over the control.
  virtual void MouseUp(int /*x*/, int /*y*/, bool /*inside*/) {}
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}

  // Multiplies every edge by m / d, rounded (rescaling for another density).
  virtual void ScaleEdges(int m, int d);

  // --- Accessibility. The dialog builds its tree from these (forms/
  // AccessibleTree.h): it fills in the node's id, place, bounds and the
  // states every control shares (focus, disabled), then asks the control to
  // describe its kind: role, name, value, caret, actions, and states of its
  // own. False keeps the control and its children out of the tree (a
  // decoration). The default is a grouping named by the caption.
  virtual bool DescribeAccessible(platform::AccessibleNode& node) const;
  // Carries out an action of the control's kind (Press, SetText) that the
  // dialog's rules allowed; false when the kind has no such action.
  virtual bool DoAccessibleAction(platform::AccessibleAction action, std::string_view utf8);
  // The control's node id, given when it is made.
  platform::NodeId AccessibleId() const;
  // A name for assistive technology that replaces the one the kind gives
  // (what a picture shows, say); empty: the kind's own.
  const AnsiString& AccessibleName() const { return accessibleName_; }
  void SetAccessibleName(const AnsiString& name);
  // A role that replaces the kind's own (a label that is a status line).
  void SetAccessibleRole(platform::Role role);
  bool HasAccessibleRole() const { return hasAccessibleRole_; }
  platform::Role AccessibleRole() const { return accessibleRole_; }

  static const PropertyTable& PublishedProperties();
  const PropertyTable& Properties() const override { return PublishedProperties(); }

 protected:
  // Caption text shared by the kinds that show one.
  const AnsiString& CaptionText() const { return caption_; }
  // Replaces the caption; the same text again does nothing.
  void SetCaptionText(const AnsiString& text);
  virtual void CaptionChanged() { Invalidate(); }
  virtual void VisibleChanged() {}
  void SetColor(TColor c) { color_ = c; }

 private:
  friend class TWinControl;
  // The parent is going away: forget it without touching its lists.
  void DetachFromParent() { parent_ = nullptr; }

  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = colors::clBtnFace;
  AnsiString caption_;
  TWinControl* parent_ = nullptr;
  AnsiString accessibleName_;
  platform::NodeId accessibleId_;
  platform::Role accessibleRole_ = platform::Role::Panel;
  bool hasAccessibleRole_ = false;
};

// A control drawn on its parent's surface; it never takes the focus.
class TGraphicControl : public TControl {
 public:
  using TControl::TControl;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  bool IsWindowed() const override { return true; }
  // Children in creation order (the order in which they stack).
  const std::vector<TControl*>& Children() const { return children_; }
  // Windowed children in tab order.
  const std::vector<TWinControl*>& TabList() const { return tabList_; }
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool tabStop) { tabStop_ = tabStop; }
  int TabOrder() const;
  void SetTabOrder(int order);
  // Can take the keyboard focus: showing, enabled in the tree, and a kind
  // that accepts it.
  virtual bool CanFocus() const;
  bool Focused() const;
  bool Ctl3D() const { return ctl3D_; }

  // Keyboard input while focused. KeyDown returns true when it used the key.
  virtual bool KeyDown(platform::Key /*key*/, uint8_t /*modifiers*/) { return false; }
  // Text the user pasted, whether a key asked for the clipboard or the
  // system pasted by itself; the kinds that edit text insert it.
  virtual void Paste(const AnsiString& /*text*/) {}
  // A typed character: the OnKeyPress handler first, then the control's own
  // handling unless the handler set the key to 0.
  void DeliverChar(char key);
  virtual void FocusEntered(bool /*byMouse*/) {}
  virtual void FocusLeft() {}

  // The blinking caret of the kinds that edit text, shown while the control
  // has the focus in the active dialog.
  virtual bool HasCaret() const { return false; }
  virtual bool CaretVisible() const { return false; }
  virtual void SetCaretOn(bool /*on*/) {}

  TKeyPressEvent OnKeyPress;

  void ScaleEdges(int m, int d) override;
  static const PropertyTable& PublishedProperties();
  const PropertyTable& Properties() const override { return PublishedProperties(); }

 protected:
  virtual void CharTyped(char /*key*/) {}

 private:
  friend class TControl;
  void AddChild(TControl* child);
  void RemoveChild(TControl* child);

  std::vector<TControl*> children_;
  std::vector<TWinControl*> tabList_;
  bool tabStop_ = false;
  bool ctl3D_ = true;
};

// A line of caption text as drawn, without its accelerator marks.
AnsiString WithoutAccelMarks(std::string_view line);

// Integer m * v / d rounded to the nearest integer, halves away from zero.
int MulDiv(int v, int m, int d);

}  // namespace tk
