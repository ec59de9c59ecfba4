#pragma once

#include <memory>
#include <string>

#include "ui/controls/list_box.h"
#include "ui/core/box.h"

namespace ui {

class CComboWnd;

// A box showing the chosen item of a drop-down list. Activating it opens
// the list in a popup window below it, or above it where the screen ends;
// choosing an item or moving the focus away closes the popup. The list
// belongs to the combo whether open or closed.
class Combo : public Box {
 public:
  // End ellipsis, single line, centred vertically, left aligned.
  static constexpr UINT kComboTextFormat = 0x8024;

  Combo();
  ~Combo() override;

  ListBox* GetListBox() const { return list_.get(); }
  CComboWnd* GetPopup() const { return popup_; }
  bool IsPopupOpen() const { return popup_ != nullptr; }
  int GetCurSel() const { return current_; }
  // False for an index out of range or already chosen; no events.
  bool SelectItem(int index);
  // The chosen item's text; empty when there is none.
  std::wstring GetText() const;
  Size GetDropBoxSize() const { return drop_size_; }
  void SetDropBoxSize(Size size) { drop_size_ = size; }
  void SetDropBoxAttributeList(const std::wstring& list);
  bool IsPopupTop() const { return pop_above_; }
  void SetPopupTop(bool above) { pop_above_ = above; }
  // Where the popup goes, in screen coordinates, for the list as it is.
  Rect GetPopupRect() const;

  // The items are the list's.
  bool Add(Control* control) override;
  bool AddAt(Control* control, size_t index) override;
  bool Remove(Control* control) override;
  bool RemoveAt(size_t index) override;
  void RemoveAll() override;
  size_t GetCount() const override;
  Control* GetItemAt(size_t index) const override;
  int GetItemIndex(Control* control) const override;

  // Box
  void SetWindow(ControlHost* window) override;
  void SetWindow(ControlHost* window, Box* parent, bool init) override;
  void Activate() override;
  bool IsActivatable() const override { return IsEnabled(); }
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void PaintText(IRenderContext* context) override;

 private:
  friend class CComboWnd;

  bool OnListSelect(EventArgs* args);
  // Called by the popup as it goes.
  void PopupClosed();

  std::unique_ptr<ListBox> list_;
  CComboWnd* popup_ = nullptr;
  int current_ = -1;
  Size drop_size_;
  std::wstring drop_attribute_list_;
  bool pop_above_ = false;
};

}  // namespace ui
