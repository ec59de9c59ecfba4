#pragma once

#include <string>
#include <vector>

#include "ui/core/rect.h"
#include "ui/core/size.h"

namespace ui {

class Box;
class Control;

// Positions a box's children. The base layout places every child on its
// own inside the content rectangle, by its margin and alignment.
class Layout {
 public:
  Layout() = default;
  virtual ~Layout() = default;
  Layout(const Layout&) = delete;
  Layout& operator=(const Layout&) = delete;

  // Whether the name was a layout attribute.
  virtual bool SetAttribute(const std::wstring& name, const std::wstring& value);
  // Returns the size the children used.
  virtual Size ArrangeChildren(const std::vector<Control*>& children, Rect content);
  // The size the children need, padding included.
  virtual Size EstimateChildren(const std::vector<Control*>& children, Size available);
  virtual Rect GetPadding() const { return padding_; }
  // Edge widths, each scaled when |scale| is set; re-arranges the owner.
  virtual void SetPadding(const Rect& padding, bool scale = true);
  virtual int GetChildMargin() const { return child_margin_; }
  // Scaled; re-arranges the owner.
  virtual void SetChildMargin(int margin);

  void SetOwner(Box* owner) { owner_ = owner; }
  Box* GetOwner() const { return owner_; }

  // Places one child in |rect| by its margin, size constraints and
  // alignment; returns the placed size.
  static Size SetFloatPos(Control* child, const Rect& rect);
  // A negative minimum never binds; a negative maximum never limits.
  static int ClampLength(int value, int minimum, int maximum);

 protected:
  Rect padding_;
  int child_margin_ = 0;
  Box* owner_ = nullptr;
};

}  // namespace ui
