#include "ui/controls/list_container_element.h"

#include "ui/controls/i_list_owner.h"

namespace ui {

ListContainerElement::ListContainerElement() { text_format_ = kElementTextFormat; }

void ListContainerElement::OptionSelect(bool selected, bool trigger) {
  selected_ = selected;
  if (trigger) {
    std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
    const int kind = selected ? kEventSelect : kEventUnSelect;
    if (window_) {
      window_->SendNotify(this, kind);
    } else {
      SendEvent(kind);
    }
    if (alive.expired()) return;
  }
  Invalidate();
}

void ListContainerElement::SetSelected(bool selected, bool trigger_event) {
  if (owner_ && index_ >= 0) {
    if (selected) {
      owner_->SelectItem(index_, false, trigger_event);
    } else if (owner_->GetCurSel() == index_) {
      owner_->SelectItem(-1, false, trigger_event);
    }
    return;
  }
  OptionSelect(selected, trigger_event);
}

void ListContainerElement::SetVisible(bool visible) {
  OptionTemplate<Box>::SetVisible(visible);
  // A hidden element cannot stay the selection.
  if (!IsVisible() && owner_ && index_ >= 0 && owner_->GetCurSel() == index_) owner_->SelectItem(-1);
}

void ListContainerElement::HandleEvent(EventArgs* args) {
  const int kind = args->kind;
  if (!IsMouseEnabled() && kind >= kEventMouseFirst && kind <= kEventMouseLast) {
    if (owner_) {
      owner_->HandleEvent(args);
    } else {
      OptionTemplate<Box>::HandleEvent(args);
    }
    return;
  }
  switch (kind) {
    case kEventInternalDoubleClick:
      if (IsActivatable() && window_) window_->SendNotify(this, kEventMouseDoubleClick);
      return;
    case kEventKeyDown:
      if (IsEnabled() && args->key == VK_RETURN) {
        if (window_) window_->SendNotify(this, kEventReturn);
        return;
      }
      break;
    case kEventInternalMenu:
      if (IsEnabled()) {
        std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
        SetSelected(true, true);
        if (alive.expired()) return;
        if (window_) window_->SendNotify(this, kEventMouseMenu);
        if (alive.expired()) return;
        Invalidate();
        return;
      }
      break;
    default:
      break;
  }
  OptionTemplate<Box>::HandleEvent(args);
}

}  // namespace ui
