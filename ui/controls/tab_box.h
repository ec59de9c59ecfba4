#pragma once

#include "ui/core/box.h"

namespace ui {

// A box that shows one of its children, the current page, at a time. The
// others are kept non-interactive and transparent, and hidden unless the
// box switches by fading.
class TabBox : public Box {
 public:
  TabBox();

  int GetCurSel() const { return current_; }
  // Shows page |index| instead of the current one; false when there is no
  // such page.
  bool SelectItem(int index);
  bool IsFadeSwitch() const { return fade_switch_; }
  void SetFadeSwitch(bool fade_switch) { fade_switch_ = fade_switch; }

  // Box
  bool AddAt(Control* control, size_t index) override;
  bool Remove(Control* control) override;
  void RemoveAll() override;
  void SetPos(Rect rect) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 private:
  void ShowPage(Control* page);
  void HidePage(Control* page);

  int current_ = -1;
  bool fade_switch_ = false;
};

}  // namespace ui
