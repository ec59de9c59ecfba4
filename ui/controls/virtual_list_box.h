#pragma once

#include <memory>

#include "ui/controls/list_box.h"
#include "ui/controls/virtual_list_data_provider.h"
#include "ui/core/v_layout.h"

namespace ui {

class VirtualListBox;

// The virtual list's layout: while the data outnumber the element
// controls the list is as tall as all the data, and the controls stand
// where the view is; otherwise a plain vertical stack.
class VirtualLayout : public VLayout {
 public:
  Size ArrangeChildren(const std::vector<Control*>& children, Rect content) override;
};

// A list of equal rows that makes only as many element controls as fit and
// refills them from its data provider while it scrolls, so its cost
// follows what is shown rather than how much data there is. The selection
// follows the data, not the recycled control.
class VirtualListBox : public ListBox {
 public:
  VirtualListBox();

  // Not owned; null behaves as no data.
  void SetDataProvider(VirtualListDataProvider* provider) { provider_ = provider; }
  VirtualListDataProvider* GetDataProvider() const { return provider_; }
  int GetElementHeight() const { return element_height_; }
  void SetElementHeight(int height);
  // Makes min(|max_count|, data count) controls and fills each with its
  // index.
  void InitElement(int max_count);
  // Matches the controls to the data count and fills them again.
  void Refresh();
  // The data count as the provider reports it, 0 when it fails.
  int GetDataCount() const;
  // The data index control |index| shows; -1 when none.
  int GetDataIndexOf(int index) const;
  // The selected data index; -1 when none.
  int GetSelectedDataIndex() const { return selected_data_; }

  // ListBox
  void RemoveAll() override;
  void SetScrollPos(Size position) override;
  void SetPos(Rect rect) override;
  void HandleEvent(EventArgs* args) override;
  bool SelectItem(int index, bool take_focus = false, bool trigger = true) override;

 protected:
  // Up and Down, down and up; nothing by default.
  virtual void OnKeyDown(WPARAM key) {}
  virtual void OnKeyUp(WPARAM key) {}

 private:
  friend class VirtualLayout;

  bool UseVirtualArrangement() const;
  // Places the controls at the data the view shows and fills them; without
  // |force| only when the view left the rows the controls hold.
  void ReArrange(bool force);
  void Fill(Control* control, int index);

  VirtualListDataProvider* provider_ = nullptr;
  int element_height_ = 0;
  int max_count_ = 0;
  int previous_y_ = 0;
  bool first_arrange_ = true;
  int first_index_ = 0;
  int selected_data_ = -1;
  Rect content_;
};

}  // namespace ui
