#include "ui/controls/virtual_list_box.h"

#include <algorithm>
#include <climits>

#include "ui/controls/list_container_element.h"

namespace ui {

namespace {

int ClampToInt(int64_t value) {
  return static_cast<int>(std::max<int64_t>(INT_MIN, std::min<int64_t>(value, INT_MAX)));
}

}  // namespace

Size VirtualLayout::ArrangeChildren(const std::vector<Control*>& children, Rect content) {
  auto* list = dynamic_cast<VirtualListBox*>(owner_);
  if (!list || !list->UseVirtualArrangement()) return VLayout::ArrangeChildren(children, content);
  list->content_ = content;
  list->ReArrange(true);
  return Size(content.Width(), ClampToInt(static_cast<int64_t>(list->GetDataCount()) * list->element_height_));
}

VirtualListBox::VirtualListBox() : ListBox(std::make_unique<VirtualLayout>()) {}

void VirtualListBox::SetElementHeight(int height) {
  element_height_ = std::max(0, height);
  Arrange();
}

int VirtualListBox::GetDataCount() const {
  if (!provider_) return 0;
  int count = 0;
  // The provider is the application's; nothing of its may unwind the list.
  try {
    count = provider_->GetElementCount();
  } catch (...) {
    return 0;
  }
  count = std::max(0, count);
  // All of the data must fit in the box's 32-bit coordinates.
  if (element_height_ > 0) count = std::min(count, INT_MAX / element_height_ - 1);
  return count;
}

void VirtualListBox::Fill(Control* control, int index) {
  try {
    provider_->FillElement(control, index);
  } catch (...) {
  }
}

void VirtualListBox::InitElement(int max_count) {
  max_count_ = std::max(0, max_count);
  if (!provider_) return;
  const int count = std::min(max_count_, GetDataCount());
  for (int i = static_cast<int>(children_.size()); i < count; ++i) {
    Control* control = nullptr;
    try {
      control = provider_->CreateElement();
    } catch (...) {
      control = nullptr;
    }
    if (!control || !Add(control)) {
      delete control;
      break;
    }
    Fill(control, i);
  }
}

void VirtualListBox::Refresh() {
  const int count = GetDataCount();
  // Surplus controls go from the front; missing ones are made up to the
  // maximum.
  while (static_cast<int>(children_.size()) > count && !children_.empty()) ListBox::RemoveAt(0);
  if (static_cast<int>(children_.size()) < count && static_cast<int>(children_.size()) < max_count_)
    InitElement(max_count_);
  if (count > static_cast<int>(children_.size())) {
    ReArrange(true);
    Arrange();
  } else if (static_cast<int>(children_.size()) == max_count_) {
    Arrange();
  }
  if (!provider_) return;
  for (size_t i = 0; i < children_.size(); ++i) {
    const int data = GetDataIndexOf(static_cast<int>(i));
    if (data >= 0) Fill(children_[i], data);
  }
}

int VirtualListBox::GetDataIndexOf(int index) const {
  if (index < 0 || index >= static_cast<int>(children_.size())) return -1;
  const int data = UseVirtualArrangement() ? first_index_ + index : index;
  return data < GetDataCount() ? data : -1;
}

bool VirtualListBox::UseVirtualArrangement() const {
  return element_height_ > 0 && static_cast<int>(children_.size()) < GetDataCount();
}

void VirtualListBox::ReArrange(bool force) {
  if (children_.empty() || !UseVirtualArrangement()) return;
  const int count = GetDataCount();
  const int controls = static_cast<int>(children_.size());
  const int y = GetScrollPos().cy;
  if (!force && !first_arrange_) {
    const int64_t view_top = static_cast<int64_t>(content_.top) + y;
    const int64_t view_bottom = view_top + content_.Height();
    const bool up = y < previous_y_ && view_top < children_.front()->GetPos().top;
    const bool down = y > previous_y_ && view_bottom > children_.back()->GetPos().bottom;
    if (!up && !down) return;
  }
  first_arrange_ = false;
  first_index_ = std::max(0, std::min(y / element_height_, count - controls));
  int selected_control = -1;
  for (int j = 0; j < controls; ++j) {
    const int data = first_index_ + j;
    const int64_t top = static_cast<int64_t>(content_.top) + static_cast<int64_t>(data) * element_height_;
    Control* control = children_[static_cast<size_t>(j)];
    control->SetPos(Rect(content_.left, ClampToInt(top), content_.right, ClampToInt(top + element_height_)));
    if (data < count) Fill(control, data);
    // The selection stays with its data as the controls move on.
    const bool selected = selected_data_ >= 0 && data == selected_data_;
    if (selected) selected_control = j;
    auto* element = dynamic_cast<ListContainerElement*>(control);
    if (element && element->IsSelected() != selected) element->OptionSelect(selected, false);
  }
  current_ = selected_control;
}

void VirtualListBox::SetPos(Rect rect) {
  std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
  ListBox::SetPos(rect);
  if (!alive.expired()) ReArrange(true);
}

void VirtualListBox::SetScrollPos(Size position) {
  previous_y_ = GetScrollPos().cy;
  ListBox::SetScrollPos(position);
  ReArrange(false);
}

bool VirtualListBox::SelectItem(int index, bool take_focus, bool trigger) {
  selected_data_ = GetDataIndexOf(index);
  const bool selected = ListBox::SelectItem(index, take_focus, trigger);
  if (!selected) selected_data_ = -1;
  return selected;
}

void VirtualListBox::RemoveAll() {
  ListBox::RemoveAll();
  selected_data_ = -1;
  previous_y_ = 0;
  first_index_ = 0;
  first_arrange_ = true;
}

void VirtualListBox::HandleEvent(EventArgs* args) {
  if (args->kind == kEventKeyDown || args->kind == kEventKeyUp) {
    const WPARAM key = args->wparam;
    if (args->kind == kEventKeyDown && key == VK_END) {
      SetScrollPosY(GetScrollRange().cy);
      return;
    }
    if (args->kind == kEventKeyDown && key == VK_HOME) {
      SetScrollPosY(0);
      return;
    }
    if (key == VK_UP || key == VK_DOWN) {
      if (args->kind == kEventKeyDown) {
        OnKeyDown(key);
      } else {
        OnKeyUp(key);
      }
      return;
    }
  }
  ListBox::HandleEvent(args);
}

}  // namespace ui
