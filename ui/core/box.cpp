#include "ui/core/box.h"

#include <algorithm>

#include "ui/core/control_host.h"

namespace ui {

Box::Box(std::unique_ptr<Layout> layout) : layout_(std::move(layout)) {
  if (!layout_) layout_ = std::make_unique<Layout>();
  layout_->SetOwner(this);
}

Box::~Box() {
  // Nothing may outlive the box through the window's queue, and a dying
  // tree needs no new layout.
  delayed_destroy_ = false;
  std::vector<Control*> children;
  children.swap(children_);
  if (auto_destroy_) {
    for (Control* child : children) delete child;
  }
}

void Box::SetWindow(ControlHost* window, Box* parent, bool init) {
  for (Control* child : children_) child->SetWindow(window, this, init);
  Control::SetWindow(window, parent, init);
}

void Box::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (layout_->SetAttribute(name, value)) return;
  if (name == L"mousechild") {
    SetMouseChildEnabled(value == L"true");
  } else {
    Control::SetAttribute(name, value);
  }
}

void Box::SetPos(Rect rect) {
  std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
  Control::SetPos(rect);
  if (alive.expired() || children_.empty()) return;
  layout_->ArrangeChildren(children_, GetPaddingPos());
}

Size Box::EstimateSize(Size available) {
  if (!IsAutoSized()) return Size(fixed_width_, fixed_height_);
  if (!needs_estimate_) return estimated_size_;

  const Rect padding = layout_->GetPadding();
  const Size inner(available.cx - padding.left - padding.right, available.cy - padding.top - padding.bottom);
  const Size needed = layout_->EstimateChildren(children_, inner);
  const Size result(IsAutoWidth() ? needed.cx : fixed_width_, IsAutoHeight() ? needed.cy : fixed_height_);
  estimated_size_ = result;
  needs_estimate_ = false;
  // A child whose own estimate is still open makes this one open too.
  for (Control* child : children_) {
    if (child->IsVisible() && child->IsAutoSized() && child->IsReEstimateSize()) {
      needs_estimate_ = true;
      break;
    }
  }
  return result;
}

void Box::SetVisible(bool visible) {
  Control::SetVisible(visible);
  const bool shown = IsVisible();
  for (Control* child : children_) child->SetInternVisible(shown);
}

void Box::SetInternVisible(bool visible) {
  Control::SetInternVisible(visible);
  const bool shown = IsVisible();
  for (Control* child : children_) child->SetInternVisible(shown);
}

void Box::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  Control::SetEnabled(enabled);
  for (Control* child : children_) child->SetEnabled(enabled);
}

void Box::PaintChildren(IRenderContext* context, const Rect& dirty) {
  Rect overlap;
  if (!overlap.Intersect(dirty, rect_)) return;
  // Later children paint over earlier ones.
  for (Control* child : children_) {
    if (child->IsVisible()) child->Paint(context, dirty);
  }
}

Control* Box::FindControl(const FindVisitor& visitor, void* data, UINT flags, Point scroll_offset) {
  if ((flags & kFindVisible) && !IsVisible()) return nullptr;
  if ((flags & kFindEnabled) && !IsEnabled()) return nullptr;
  const bool hit_test = (flags & kFindHitTest) != 0;
  if (hit_test) {
    const Point& point = *static_cast<const Point*>(data);
    if (!rect_.Contains(point)) return nullptr;
    if (!mouse_child_) return Control::FindControl(visitor, data, flags, scroll_offset);
  }

  if (flags & kFindMeFirst) {
    if (Control* found = Control::FindControl(visitor, data, flags, scroll_offset)) return found;
  }

  const Rect content = GetPaddingPos();
  const Point own_offset = GetScrollOffset();
  // A child may be removed by the visitor; walk a copy.
  std::vector<Control*> children;
  if (hit_test) {
    Point shifted = *static_cast<const Point*>(data);
    shifted.Offset(own_offset.x, own_offset.y);
    CollectHitCandidates(shifted, flags, &children);
  } else {
    children = children_;
  }
  const size_t count = children.size();
  for (size_t i = 0; i < count; ++i) {
    Control* child = (flags & kFindTopFirst) ? children[count - 1 - i] : children[i];
    Control* found = nullptr;
    if (hit_test) {
      Point shifted = *static_cast<const Point*>(data);
      shifted.Offset(own_offset.x, own_offset.y);
      found = child->FindControl(visitor, &shifted, flags, scroll_offset);
      // Flow children are only hit inside the padding; floats anywhere.
      if (found && !found->IsFloat() && !content.Contains(*static_cast<const Point*>(data))) continue;
    } else {
      found = child->FindControl(visitor, data, flags, scroll_offset);
    }
    if (found) return found;
  }

  if (!(flags & kFindMeFirst)) return Control::FindControl(visitor, data, flags, scroll_offset);
  return nullptr;
}

void Box::CollectHitCandidates(const Point&, UINT, std::vector<Control*>* candidates) { *candidates = children_; }

void Box::DispatchEvent(EventArgs* args) {
  const int kind = args->kind;
  if (kind >= kEventInternalDoubleClick && kind <= kEventInternalKillFocus) {
    HandleEvent(args);
    return;
  }
  std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
  bool result = true;
  if (args->sender == this) {
    if (!RunOwnHandlers(args, &result)) return;
  }

  // Every event that reaches the box, its own or a descendant's, passes
  // the bubbled handlers; one returning false stops the climb.
  bool outcome = true;
  if (RunEventHandlers(code_bubbled_handlers_, kind, args, &outcome)) result = outcome;
  if (alive.expired()) return;
  if (kind != kEventAll && RunEventHandlers(code_bubbled_handlers_, kEventAll, args, &outcome)) result = outcome;
  if (alive.expired()) return;
  if (result) {
    if (RunEventHandlers(markup_bubbled_handlers_, kind, args, &outcome)) result = outcome;
    if (alive.expired()) return;
    if (kind != kEventAll && RunEventHandlers(markup_bubbled_handlers_, kEventAll, args, &outcome))
      result = outcome;
    if (alive.expired()) return;
  }
  if (result) HandleEvent(args);
}

int Box::FindSelectable(int index, bool forward) const {
  const int count = static_cast<int>(children_.size());
  if (count == 0) return -1;
  index = std::max(0, std::min(index, count - 1));
  for (int i = index; i >= 0 && i < count; i += forward ? 1 : -1) {
    if (children_[static_cast<size_t>(i)]->IsVisible() && children_[static_cast<size_t>(i)]->IsEnabled())
      return i;
  }
  return -1;
}

Control* Box::GetItemAt(size_t index) const { return index < children_.size() ? children_[index] : nullptr; }

int Box::GetItemIndex(Control* control) const {
  auto it = std::find(children_.begin(), children_.end(), control);
  return it == children_.end() ? -1 : static_cast<int>(it - children_.begin());
}

bool Box::SetItemIndex(Control* control, size_t index) {
  if (index >= children_.size()) return false;
  auto it = std::find(children_.begin(), children_.end(), control);
  if (it == children_.end()) return false;
  children_.erase(it);
  children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(index), control);
  NoteChildrenChanged();
  Arrange();
  return true;
}

bool Box::Add(Control* control) { return AddAt(control, children_.size()); }

bool Box::AddAt(Control* control, size_t index) {
  if (!control || index > children_.size()) return false;
  if (window_) {
    window_->InitControls(control, this);
  } else {
    control->SetWindow(nullptr, this, false);
  }
  if (IsVisible()) {
    Arrange();
  } else {
    control->SetInternVisible(false);
  }
  children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(index), control);
  NoteChildrenChanged();
  return true;
}

bool Box::Remove(Control* control) {
  auto it = std::find(children_.begin(), children_.end(), control);
  if (it == children_.end()) return false;
  Arrange();
  children_.erase(it);
  NoteChildrenChanged();
  if (auto_destroy_) DestroyChild(control);
  return true;
}

bool Box::RemoveAt(size_t index) {
  if (index >= children_.size()) return false;
  return Remove(children_[index]);
}

void Box::RemoveAll() {
  std::vector<Control*> children;
  children.swap(children_);
  NoteChildrenChanged();
  if (auto_destroy_) {
    for (Control* child : children) DestroyChild(child);
  }
  Arrange();
}

void Box::DestroyChild(Control* control) {
  if (delayed_destroy_ && window_) {
    // It may be running one of its own handlers right now.
    control->SetWindow(window_, nullptr, false);
    window_->AddDelayedCleanup(control);
  } else {
    delete control;
  }
}

void Box::SetLayout(Layout* layout) {
  if (!layout) return;
  layout_.reset(layout);
  layout_->SetOwner(this);
  Arrange();
}

Rect Box::GetPaddingPos() const {
  Rect content = rect_;
  content.Deflate(layout_->GetPadding());
  return content;
}

}  // namespace ui
