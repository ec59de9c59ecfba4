#pragma once

#include <memory>
#include <string>

#include "ui/controls/i_list_owner.h"
#include "ui/controls/scrollable_box.h"

namespace ui {

class ListContainerElement;

// A scrolling list of elements with one selection, chosen by the mouse,
// the keyboard (Home, End, Up, Down) or, with scroll select, the wheel.
// Selecting notifies select with the new index and the previous one.
class ListBox : public ScrollableBox, public IListOwner {
 public:
  // Null means the base layout.
  explicit ListBox(std::unique_ptr<Layout> layout = nullptr);

  bool GetScrollSelect() const { return scroll_select_; }
  void SetScrollSelect(bool scroll_select) { scroll_select_ = scroll_select; }
  // Scrolls so that the element called |name| starts at the inner top.
  // False when there is none, the list cannot scroll or it lies above.
  bool ScrollItemToTop(const std::wstring& name);
  // The first shown element that reaches into the view.
  Control* GetTopItem() const;
  // The element at |index|; null when there is none.
  ListContainerElement* GetElement(int index) const;

  // IListOwner
  int GetCurSel() const override { return current_; }
  bool SelectItem(int index, bool take_focus = false, bool trigger = true) override;
  void HandleEvent(EventArgs* args) override;
  void EnsureVisible(const Rect& rect) override;
  void StopScroll() override { StopScrollAnimation(); }

  // ScrollableBox
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  int FindSelectable(int index, bool forward) const override;
  bool SetItemIndex(Control* control, size_t index) override;
  bool AddAt(Control* control, size_t index) override;
  bool Remove(Control* control) override;
  void RemoveAll() override;

 protected:
  // Elements from |first| on learn their new places.
  void Renumber(size_t first, size_t end);
  // Moves the selection from the key or wheel; an unfound element leaves
  // the selection where it is.
  void SelectFound(int found);

  bool scroll_select_ = false;
  int current_ = -1;
};

}  // namespace ui
