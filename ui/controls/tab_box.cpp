#include "ui/controls/tab_box.h"

#include <algorithm>

#include "ui/core/attribute_values.h"

namespace ui {

TabBox::TabBox() = default;

// A page out of sight takes no input: with the fade switch it is only
// transparent, not hidden.
void TabBox::ShowPage(Control* page) {
  page->SetMouseEnabled(true);
  if (auto* box = dynamic_cast<Box*>(page)) box->SetMouseChildEnabled(true);
  page->SetAlpha(255);
  page->SetVisible(true);
}

void TabBox::HidePage(Control* page) {
  page->SetMouseEnabled(false);
  if (auto* box = dynamic_cast<Box*>(page)) box->SetMouseChildEnabled(false);
  page->SetAlpha(0);
  if (!fade_switch_) page->SetVisible(false);
}

bool TabBox::AddAt(Control* control, size_t index) {
  const int pages_before = static_cast<int>(children_.size());
  if (!Box::AddAt(control, index)) return false;
  const int position = static_cast<int>(index);
  if (current_ == -1 && control->IsVisible()) {
    current_ = position;
  } else if (current_ >= 0 && current_ < pages_before && position <= current_) {
    // A page put in front of the current one moves it along.
    ++current_;
  }
  if (current_ != position) HidePage(control);
  return true;
}

bool TabBox::Remove(Control* control) {
  const int index = GetItemIndex(control);
  if (index < 0) return false;
  if (!Box::Remove(control)) return false;
  if (index == current_) {
    if (children_.empty()) {
      current_ = -1;
    } else {
      current_ = 0;
      ShowPage(children_[0]);
    }
  } else if (index < current_) {
    --current_;
  }
  Arrange();
  return true;
}

void TabBox::RemoveAll() {
  current_ = -1;
  Box::RemoveAll();
  Arrange();
}

bool TabBox::SelectItem(int index) {
  if (index < 0 || index >= static_cast<int>(children_.size())) return false;
  if (index == current_) return true;
  for (int i = 0; i < static_cast<int>(children_.size()); ++i) {
    if (i != index) HidePage(children_[static_cast<size_t>(i)]);
  }
  current_ = index;
  ShowPage(children_[static_cast<size_t>(index)]);
  Arrange();
  return true;
}

void TabBox::SetPos(Rect rect) {
  // An index that never met its page falls back to the first one rather
  // than leaving every page hidden.
  if (!children_.empty() && (current_ < 0 || current_ >= static_cast<int>(children_.size()))) {
    current_ = -1;
    SelectItem(0);
  }
  Box::SetPos(rect);
}

void TabBox::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"selectedid") {
    const int index = std::max(-1, ParseInt(value.c_str()));
    if (children_.empty()) {
      // Given before the pages: the page of that index becomes current as
      // it is added.
      current_ = index;
    } else {
      SelectItem(index);
    }
  } else if (name == L"fadeswitch") {
    SetFadeSwitch(ParseBool(value.c_str()));
  } else {
    Box::SetAttribute(name, value);
  }
}

}  // namespace ui
