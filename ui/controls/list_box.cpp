#include "ui/controls/list_box.h"

#include <algorithm>

#include "ui/controls/list_container_element.h"
#include "ui/core/attribute_values.h"
#include "ui/core/control_host.h"

namespace ui {

ListBox::ListBox(std::unique_ptr<Layout> layout) : ScrollableBox(std::move(layout)) {}

ListContainerElement* ListBox::GetElement(int index) const {
  if (index < 0) return nullptr;
  return dynamic_cast<ListContainerElement*>(GetItemAt(static_cast<size_t>(index)));
}

void ListBox::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"scrollselect") {
    SetScrollSelect(ParseBool(value.c_str()));
  } else {
    ScrollableBox::SetAttribute(name, value);
  }
}

int ListBox::FindSelectable(int index, bool forward) const {
  const int count = static_cast<int>(children_.size());
  if (count == 0) return -1;
  index = std::max(0, std::min(index, count - 1));
  for (int i = index; i >= 0 && i < count; i += forward ? 1 : -1) {
    const ListContainerElement* element = GetElement(i);
    if (element && element->IsVisible() && element->IsEnabled()) return i;
  }
  return -1;
}

bool ListBox::SelectItem(int index, bool take_focus, bool trigger) {
  std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
  const int previous = current_;
  if (previous >= 0) {
    current_ = -1;
    if (ListContainerElement* old = GetElement(previous)) {
      old->OptionSelect(false, trigger);
      if (alive.expired()) return false;
    }
  }
  ListContainerElement* element = GetElement(index);
  if (!element || !element->IsVisible() || !element->IsEnabled()) return false;
  current_ = index;
  std::weak_ptr<qbase::WeakFlag> element_alive = element->GetWeakFlag();
  element->OptionSelect(true, trigger);
  if (alive.expired() || element_alive.expired()) return false;
  EnsureVisible(element->GetPos());
  if (take_focus) element->SetFocus();
  if (window_ && trigger) window_->SendNotify(this, kEventSelect, static_cast<WPARAM>(index), previous);
  return true;
}

void ListBox::EnsureVisible(const Rect& rect) {
  const Size position = GetScrollPos();
  Rect moved = rect;
  moved.Offset(-position.cx, -position.cy);
  Rect inner = GetPaddingPos();
  if (horizontal_bar_ && horizontal_bar_->IsVisible()) inner.bottom -= std::max(0, horizontal_bar_->GetFixedHeight());
  const bool inside =
      moved.left >= inner.left && moved.top >= inner.top && moved.right <= inner.right && moved.bottom <= inner.bottom;
  if (inside) {
    // A list inside another list's element asks that list in turn.
    if (auto* element = dynamic_cast<ListContainerElement*>(parent_)) {
      if (element->GetOwner()) element->GetOwner()->EnsureVisible(moved);
    }
    return;
  }
  int dx = 0;
  int dy = 0;
  if (moved.left < inner.left) dx = moved.left - inner.left;
  if (moved.top < inner.top) dy = moved.top - inner.top;
  if (moved.right > inner.right) dx = moved.right - inner.right;
  if (moved.bottom > inner.bottom) dy = moved.bottom - inner.bottom;
  SetScrollPos(Size(position.cx + dx, position.cy + dy));
}

bool ListBox::ScrollItemToTop(const std::wstring& name) {
  if (!HasRange(vertical_bar_.get())) return false;
  const Rect inner = GetPaddingPos();
  for (Control* child : children_) {
    if (child->GetName() != name) continue;
    const int target = child->GetPos().top - inner.top;
    if (target < 0) return false;
    SetScrollPosY(target);
    return true;
  }
  return false;
}

Control* ListBox::GetTopItem() const {
  // Bottoms are exclusive: an item ending where the view starts is not in it.
  const int view_top = GetPaddingPos().top + GetScrollPos().cy;
  for (Control* child : children_) {
    if (child->IsVisible() && !child->IsFloat() && child->GetPos().bottom > view_top) return child;
  }
  return nullptr;
}

void ListBox::SelectFound(int found) {
  if (found >= 0) SelectItem(found, true, true);
}

void ListBox::HandleEvent(EventArgs* args) {
  const int kind = args->kind;
  if (!mouse_enabled_ && kind >= kEventMouseFirst && kind <= kEventMouseLast) {
    ScrollableBox::HandleEvent(args);
    return;
  }
  switch (kind) {
    case kEventMouseButtonDown:
    case kEventPointerDown:
      if (IsEnabled()) StopScroll();
      break;
    case kEventKeyDown:
      switch (args->key) {
        case VK_HOME:
          SelectFound(FindSelectable(0, true));
          return;
        case VK_END:
          SelectFound(FindSelectable(static_cast<int>(children_.size()) - 1, false));
          return;
        case VK_UP:
          if (current_ > 0) SelectFound(FindSelectable(current_ - 1, false));
          if (current_ < 0) SelectFound(FindSelectable(0, true));
          return;
        case VK_DOWN:
          SelectFound(FindSelectable(current_ + 1, true));
          return;
        default:
          break;
      }
      break;
    case kEventMouseScrollWheel:
      if (scroll_select_) {
        const int delta = static_cast<int>(static_cast<INT_PTR>(args->wparam));
        if (delta > 0) {
          if (current_ > 0) SelectFound(FindSelectable(current_ - 1, false));
        } else {
          SelectFound(FindSelectable(current_ + 1, true));
        }
        return;
      }
      break;
    default:
      break;
  }
  ScrollableBox::HandleEvent(args);
}

void ListBox::Renumber(size_t first, size_t end) {
  end = std::min(end, children_.size());
  for (size_t i = first; i < end; ++i) {
    if (auto* element = dynamic_cast<ListContainerElement*>(children_[i])) element->SetIndex(static_cast<int>(i));
  }
}

bool ListBox::AddAt(Control* control, size_t index) {
  if (!ScrollableBox::AddAt(control, index)) return false;
  if (current_ >= static_cast<int>(index)) ++current_;
  Renumber(index, children_.size());
  auto* element = dynamic_cast<ListContainerElement*>(control);
  if (!element) return true;
  element->SetOwner(this);
  // An element that arrives selected becomes the list's selection.
  if (element->IsSelected()) SelectItem(static_cast<int>(index), false, false);
  return true;
}

bool ListBox::Remove(Control* control) {
  const int index = GetItemIndex(control);
  if (index < 0) return false;
  if (auto* element = dynamic_cast<ListContainerElement*>(control)) {
    element->SetOwner(nullptr);
    element->SetIndex(-1);
  }
  if (!ScrollableBox::Remove(control)) return false;
  if (current_ == index) {
    current_ = -1;
  } else if (current_ > index) {
    --current_;
  }
  Renumber(static_cast<size_t>(index), children_.size());
  return true;
}

void ListBox::RemoveAll() {
  for (Control* child : children_) {
    if (auto* element = dynamic_cast<ListContainerElement*>(child)) {
      element->SetOwner(nullptr);
      element->SetIndex(-1);
    }
  }
  current_ = -1;
  ScrollableBox::RemoveAll();
}

bool ListBox::SetItemIndex(Control* control, size_t index) {
  const int old_index = GetItemIndex(control);
  if (old_index < 0 || !ScrollableBox::SetItemIndex(control, index)) return false;
  const int new_index = static_cast<int>(index);
  // The selection stays on the same element wherever it moved.
  if (current_ == old_index) {
    current_ = new_index;
  } else if (old_index < current_ && current_ <= new_index) {
    --current_;
  } else if (new_index <= current_ && current_ < old_index) {
    ++current_;
  }
  Renumber(static_cast<size_t>(std::min(old_index, new_index)),
           static_cast<size_t>(std::max(old_index, new_index)) + 1);
  return true;
}

}  // namespace ui
