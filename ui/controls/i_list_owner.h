#pragma once

#include "ui/core/event_args.h"
#include "ui/core/rect.h"

namespace ui {

// What a list offers the elements it holds: one current selection, its own
// event handling for what an element does not take, and scrolling an
// element into view.
class IListOwner {
 public:
  virtual ~IListOwner() = default;

  // The selected element's index; -1 when there is none.
  virtual int GetCurSel() const = 0;
  // Deselects the current element first. False, with nothing selected, for
  // an index that is out of range or names an element that cannot be
  // selected.
  virtual bool SelectItem(int index, bool take_focus = false, bool trigger = true) = 0;
  virtual void HandleEvent(EventArgs* args) = 0;
  // |rect| in the list's content coordinates.
  virtual void EnsureVisible(const Rect& rect) = 0;
  // Stops a smooth scroll where it stands.
  virtual void StopScroll() = 0;
};

}  // namespace ui
