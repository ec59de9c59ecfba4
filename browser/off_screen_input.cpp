#include "browser/off_screen_input.h"

namespace qiv_comp {

namespace {

bool IsDown(int key) { return ::GetKeyState(key) < 0; }
bool IsToggled(int key) { return (::GetKeyState(key) & 1) != 0; }

// Alt, Num Lock and Caps Lock: what both kinds of event read from the keyboard.
uint32_t KeyboardLocksAndAlt() {
  uint32_t modifiers = 0;
  if (IsDown(VK_MENU)) modifiers |= EVENTFLAG_ALT_DOWN;
  if (IsToggled(VK_NUMLOCK)) modifiers |= EVENTFLAG_NUM_LOCK_ON;
  if (IsToggled(VK_CAPITAL)) modifiers |= EVENTFLAG_CAPS_LOCK_ON;
  return modifiers;
}

constexpr LPARAM kExtendedKeyBit = 1 << 24;

}  // namespace

uint32_t MouseEventModifiers(WPARAM key_state) {
  uint32_t modifiers = KeyboardLocksAndAlt();
  if (key_state & MK_SHIFT) modifiers |= EVENTFLAG_SHIFT_DOWN;
  if (key_state & MK_CONTROL) modifiers |= EVENTFLAG_CONTROL_DOWN;
  if (key_state & MK_LBUTTON) modifiers |= EVENTFLAG_LEFT_MOUSE_BUTTON;
  if (key_state & MK_MBUTTON) modifiers |= EVENTFLAG_MIDDLE_MOUSE_BUTTON;
  if (key_state & MK_RBUTTON) modifiers |= EVENTFLAG_RIGHT_MOUSE_BUTTON;
  return modifiers;
}

uint32_t KeyEventModifiers(WPARAM key_code, LPARAM key_data) {
  uint32_t modifiers = KeyboardLocksAndAlt();
  if (IsDown(VK_SHIFT)) modifiers |= EVENTFLAG_SHIFT_DOWN;
  if (IsDown(VK_CONTROL)) modifiers |= EVENTFLAG_CONTROL_DOWN;
  const bool extended = (key_data & kExtendedKeyBit) != 0;
  switch (key_code) {
    case VK_RETURN:
      if (extended) modifiers |= EVENTFLAG_IS_KEY_PAD;
      break;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
      // The key pad's copies of these keys are the ones without the bit.
      if (!extended) modifiers |= EVENTFLAG_IS_KEY_PAD;
      break;
    case VK_CLEAR:
    case VK_NUMPAD0:
    case VK_NUMPAD1:
    case VK_NUMPAD2:
    case VK_NUMPAD3:
    case VK_NUMPAD4:
    case VK_NUMPAD5:
    case VK_NUMPAD6:
    case VK_NUMPAD7:
    case VK_NUMPAD8:
    case VK_NUMPAD9:
    case VK_MULTIPLY:
    case VK_ADD:
    case VK_SEPARATOR:
    case VK_SUBTRACT:
    case VK_DECIMAL:
    case VK_DIVIDE:
    case VK_NUMLOCK:
      modifiers |= EVENTFLAG_IS_KEY_PAD;
      break;
    case VK_SHIFT:
      if (IsDown(VK_LSHIFT))
        modifiers |= EVENTFLAG_IS_LEFT;
      else if (IsDown(VK_RSHIFT))
        modifiers |= EVENTFLAG_IS_RIGHT;
      break;
    case VK_CONTROL:
      if (IsDown(VK_LCONTROL))
        modifiers |= EVENTFLAG_IS_LEFT;
      else if (IsDown(VK_RCONTROL))
        modifiers |= EVENTFLAG_IS_RIGHT;
      break;
    case VK_MENU:
      if (IsDown(VK_LMENU))
        modifiers |= EVENTFLAG_IS_LEFT;
      else if (IsDown(VK_RMENU))
        modifiers |= EVENTFLAG_IS_RIGHT;
      break;
    case VK_LWIN:
      modifiers |= EVENTFLAG_IS_LEFT;
      break;
    case VK_RWIN:
      modifiers |= EVENTFLAG_IS_RIGHT;
      break;
    default:
      break;
  }
  return modifiers;
}

CefKeyEvent KeyEventFromMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  CefKeyEvent event;
  event.windows_key_code = static_cast<int>(wparam);
  event.native_key_code = static_cast<int>(lparam);
  event.is_system_key = message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_SYSCHAR;
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      event.type = KEYEVENT_RAWKEYDOWN;
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      event.type = KEYEVENT_KEYUP;
      break;
    default:
      event.type = KEYEVENT_CHAR;
      break;
  }
  event.modifiers = KeyEventModifiers(wparam, lparam);
  return event;
}

}  // namespace qiv_comp
