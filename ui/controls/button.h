#pragma once

#include <windows.h>

#include "ui/controls/label.h"
#include "ui/core/event_args.h"

namespace ui {

// What every button, check box and option is, whatever its base: the host
// window asks dynamic_cast<const ButtonBase*> to keep clicks on buttons in
// the caption area from dragging the window.
class ButtonBase {
 public:
  virtual ~ButtonBase() = default;
};

inline bool IsButton(const Control* control) { return dynamic_cast<const ButtonBase*>(control) != nullptr; }

// A label that raises a click when activated: by the mouse, or by space
// and return while it has the keyboard.
template <typename T>
class ButtonTemplate : public LabelTemplate<T>, public ButtonBase {
 public:
  ButtonTemplate() { this->text_format_ = kButtonTextFormat; }

  // Control
  bool IsActivatable() const override { return this->IsKeyboardEnabled() && this->IsEnabled(); }
  void Activate() override;
  void HandleEvent(EventArgs* args) override;

 protected:
  // Sends |kind| about this control through the window, which stamps the
  // last mouse point; without a window the handlers still hear it.
  void Notify(int kind, WPARAM wparam = 0, LPARAM lparam = 0);
};

template <typename T>
void ButtonTemplate<T>::Notify(int kind, WPARAM wparam, LPARAM lparam) {
  if (this->window_) {
    this->window_->SendNotify(this, kind, wparam, lparam);
  } else {
    this->SendEvent(kind, wparam, lparam);
  }
}

template <typename T>
void ButtonTemplate<T>::Activate() {
  if (this->IsInteractive()) Notify(kEventClick);
}

template <typename T>
void ButtonTemplate<T>::HandleEvent(EventArgs* args) {
  const int kind = args->kind;
  if (!this->IsMouseEnabled() && kind >= kEventMouseFirst && kind <= kEventMouseLast) {
    if (this->parent_) {
      this->parent_->DispatchEvent(args);
    } else {
      LabelTemplate<T>::HandleEvent(args);
    }
    return;
  }
  if (kind == kEventKeyDown && this->IsKeyboardEnabled() && (args->key == VK_SPACE || args->key == VK_RETURN)) {
    Activate();
    return;
  }
  if (kind == kEventInternalMenu && this->IsContextMenuUsed()) {
    Notify(kEventMouseMenu, args->wparam, args->lparam);
    return;
  }
  LabelTemplate<T>::HandleEvent(args);
}

extern template class ButtonTemplate<Control>;
extern template class ButtonTemplate<Box>;

using Button = ButtonTemplate<Control>;
using ButtonBox = ButtonTemplate<Box>;

}  // namespace ui
