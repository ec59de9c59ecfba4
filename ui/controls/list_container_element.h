#pragma once

#include "ui/controls/option.h"

namespace ui {

class IListOwner;

// One element of a list: a box that can be selected, knowing its list and
// its place in it. Its selection always goes through the list, so a list
// keeps a single selected element.
class ListContainerElement : public OptionTemplate<Box> {
 public:
  // End ellipsis, no clip, single line, centred vertically.
  static constexpr UINT kElementTextFormat = 0x8124;

  ListContainerElement();

  IListOwner* GetOwner() const { return owner_; }
  void SetOwner(IListOwner* owner) { owner_ = owner; }
  int GetIndex() const { return index_; }
  void SetIndex(int index) { index_ = index; }
  // The selected state as the list decides it, with the select or unselect
  // event when |trigger| is set.
  void OptionSelect(bool selected, bool trigger);

  // CheckBoxBase: through the list when there is one.
  void SetSelected(bool selected, bool trigger_event = true) override;

  // Control
  void SetVisible(bool visible) override;
  void HandleEvent(EventArgs* args) override;

 protected:
  IListOwner* owner_ = nullptr;
  int index_ = -1;
};

}  // namespace ui
