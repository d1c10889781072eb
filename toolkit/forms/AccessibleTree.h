#pragma once
// The accessible tree of a dialog (the model is in platform/Accessibility.h):
// built from its controls, compared with the one published before, and
// published through the platform after each loop turn that paints, while
// assistive technology listens.
//
// The rules, decided here for every dialog:
// - A shown control is a node; a hidden one (or one inside a hidden panel)
//   is not. Timers are no controls. Children come in reading order: by their
//   top edge, then their left edge, then the order the description lists
//   them.
// - Each control describes its kind (TControl::DescribeAccessible); the tree
//   adds what every control shares: the bounds that can be seen, disabled
//   (the control or a parent disabled), focusable and the Focus action (a
//   windowed tab stop that can take the focus now), focused (the dialog's
//   focused control while its window is active; the dialog itself when no
//   control has the focus).
// - A text field whose kind gives it no name is named by the nearest shown
//   label before it among its parent's children, in the order the
//   description lists them, that names no other field; the two are linked
//   (labelledBy, labelFor): a prompt listed before its field names it.
// - A control's accessible name and role, where the program sets them,
//   replace those of its kind.

#include <memory>
#include <string_view>
#include <vector>

#include "toolkit/platform/Platform.h"
#include "toolkit/text/Ansi.h"

namespace tk {

class TApplication;
class TCustomForm;

// The tree of a shown dialog; active tells whether its window is the active
// one.
std::shared_ptr<platform::AccessibleTree> BuildAccessibleTree(const TCustomForm& form, bool active);

// Appends to out the reports of what changed from before (null: the window
// had no tree) to after, in the order Accessibility.h states.
void DiffAccessibleTrees(const platform::AccessibleTree* before,
                         const platform::AccessibleTree& after,
                         std::vector<platform::AccessibleChange>& out);

// Applies what assistive technology asked of a node of form, by the rules of
// the mouse and the keys: a hidden dialog, a dialog beneath a modal one, and
// a hidden or disabled control refuse; Focus takes only a control that Tab
// could reach (or the dialog itself, whose window it activates); Press and
// SetText go to the control's kind.
void ApplyAccessibleAction(TApplication& app, TCustomForm& form, const platform::Event& e);

// The last tree published for each shown dialog, and announcements waiting
// for the next publication.
class AccessibilityPublisher {
 public:
  // After a loop turn that painted, while assistive technology listens:
  // publishes every dialog of windows whose tree may have changed (or that
  // has announcements), and WindowHidden for those hidden since. The window
  // that holds the focus is published last.
  void Publish(platform::Platform& platform, const std::vector<TCustomForm*>& windows,
               const TCustomForm* active);
  // Nothing listens: every kept tree is dropped, so that listening again
  // starts from whole trees.
  void Reset() {
    if (listening_) ResetListening();
  }
  // The dialog's window is going away.
  void Forget(const TCustomForm& form);
  // Queues text for the dialog's next publication; dropped while nothing
  // listens or the dialog is hidden.
  void Announce(const TCustomForm& form, const AnsiString& text, platform::Politeness politeness);

 private:
  struct Entry {
    const TCustomForm* form = nullptr;
    std::shared_ptr<const platform::AccessibleTree> tree;
    bool active = false;
    std::vector<platform::AccessibleChange> announcements;
  };
  Entry& EntryOf(const TCustomForm& form);
  void ResetListening();

  std::vector<Entry> entries_;
  bool listening_ = false;
};

}  // namespace tk
