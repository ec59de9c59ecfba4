#include "engine/remote/input_events.h"

#include "base/string_conversions.h"

namespace remote {

namespace {

constexpr int kWheelDelta = 120;
constexpr int kPixelsPerNotch = 100;

bool KeyDown(int virtual_key) { return (::GetKeyState(virtual_key) & 0x8000) != 0; }
bool KeyToggled(int virtual_key) { return (::GetKeyState(virtual_key) & 1) != 0; }

std::string Location(uint32_t flags, const char* left, const char* right) {
  return (flags & EVENTFLAG_IS_RIGHT) ? right : left;
}

}  // namespace

int ProtocolModifiers(uint32_t flags) {
  int modifiers = 0;
  if (flags & EVENTFLAG_ALT_DOWN) modifiers |= 1;
  if (flags & EVENTFLAG_CONTROL_DOWN) modifiers |= 2;
  if (flags & EVENTFLAG_SHIFT_DOWN) modifiers |= 8;
  return modifiers;
}

uint32_t CurrentEventFlags() {
  uint32_t flags = 0;
  if (KeyDown(VK_SHIFT)) flags |= EVENTFLAG_SHIFT_DOWN;
  if (KeyDown(VK_CONTROL)) flags |= EVENTFLAG_CONTROL_DOWN;
  if (KeyDown(VK_MENU)) flags |= EVENTFLAG_ALT_DOWN;
  if (KeyToggled(VK_CAPITAL)) flags |= EVENTFLAG_CAPS_LOCK_ON;
  if (KeyToggled(VK_NUMLOCK)) flags |= EVENTFLAG_NUM_LOCK_ON;
  if (KeyDown(VK_LBUTTON)) flags |= EVENTFLAG_LEFT_MOUSE_BUTTON;
  if (KeyDown(VK_MBUTTON)) flags |= EVENTFLAG_MIDDLE_MOUSE_BUTTON;
  if (KeyDown(VK_RBUTTON)) flags |= EVENTFLAG_RIGHT_MOUSE_BUTTON;
  return flags;
}

int ProtocolButtons(uint32_t flags) {
  int buttons = 0;
  if (flags & EVENTFLAG_LEFT_MOUSE_BUTTON) buttons |= 1;
  if (flags & EVENTFLAG_RIGHT_MOUSE_BUTTON) buttons |= 2;
  if (flags & EVENTFLAG_MIDDLE_MOUSE_BUTTON) buttons |= 4;
  return buttons;
}

const char* ProtocolButtonName(cef_mouse_button_type_t button) {
  switch (button) {
    case MBT_MIDDLE:
      return "middle";
    case MBT_RIGHT:
      return "right";
    default:
      return "left";
  }
}

Json MouseEvent(const char* type, int x, int y, uint32_t flags, const char* button, int click_count) {
  Json event = {{"type", type},
                {"x", x},
                {"y", y},
                {"modifiers", ProtocolModifiers(flags)},
                {"button", button},
                {"buttons", ProtocolButtons(flags)}};
  if (click_count > 0) event["clickCount"] = click_count;
  return event;
}

Json WheelEvent(int x, int y, int delta_x, int delta_y, uint32_t flags) {
  Json event = MouseEvent("mouseWheel", x, y, flags);
  // The protocol's deltas are what the page scrolls by: down and right are positive.
  event["deltaX"] = static_cast<double>(delta_x) * kPixelsPerNotch / kWheelDelta;
  event["deltaY"] = -static_cast<double>(delta_y) * kPixelsPerNotch / kWheelDelta;
  return event;
}

DomKey DomKeyFor(int vk, bool extended, uint32_t flags) {
  bool shift = (flags & EVENTFLAG_SHIFT_DOWN) != 0;
  if (vk >= 'A' && vk <= 'Z') {
    bool upper = shift != ((flags & EVENTFLAG_CAPS_LOCK_ON) != 0);
    char letter = static_cast<char>(upper ? vk : vk - 'A' + 'a');
    return {std::string(1, letter), std::string("Key") + static_cast<char>(vk)};
  }
  if (vk >= '0' && vk <= '9') {
    static const char kShifted[] = ")!@#$%^&*(";
    char digit = static_cast<char>(vk);
    return {std::string(1, shift ? kShifted[vk - '0'] : digit), std::string("Digit") + digit};
  }
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) {
    char digit = static_cast<char>('0' + vk - VK_NUMPAD0);
    return {std::string(1, digit), std::string("Numpad") + digit};
  }
  if (vk >= VK_F1 && vk <= VK_F24) {
    std::string name = "F" + std::to_string(vk - VK_F1 + 1);
    return {name, name};
  }
  struct Entry {
    int vk;
    const char* key;
    const char* shifted;
    const char* code;
  };
  static const Entry kKeys[] = {
      {VK_BACK, "Backspace", nullptr, "Backspace"},
      {VK_TAB, "Tab", nullptr, "Tab"},
      {VK_CLEAR, "Clear", nullptr, "NumpadEqual"},
      {VK_PAUSE, "Pause", nullptr, "Pause"},
      {VK_CAPITAL, "CapsLock", nullptr, "CapsLock"},
      {VK_ESCAPE, "Escape", nullptr, "Escape"},
      {VK_SPACE, " ", nullptr, "Space"},
      {VK_PRIOR, "PageUp", nullptr, "PageUp"},
      {VK_NEXT, "PageDown", nullptr, "PageDown"},
      {VK_END, "End", nullptr, "End"},
      {VK_HOME, "Home", nullptr, "Home"},
      {VK_LEFT, "ArrowLeft", nullptr, "ArrowLeft"},
      {VK_UP, "ArrowUp", nullptr, "ArrowUp"},
      {VK_RIGHT, "ArrowRight", nullptr, "ArrowRight"},
      {VK_DOWN, "ArrowDown", nullptr, "ArrowDown"},
      {VK_SNAPSHOT, "PrintScreen", nullptr, "PrintScreen"},
      {VK_INSERT, "Insert", nullptr, "Insert"},
      {VK_DELETE, "Delete", nullptr, "Delete"},
      {VK_APPS, "ContextMenu", nullptr, "ContextMenu"},
      {VK_MULTIPLY, "*", nullptr, "NumpadMultiply"},
      {VK_ADD, "+", nullptr, "NumpadAdd"},
      {VK_SUBTRACT, "-", nullptr, "NumpadSubtract"},
      {VK_DECIMAL, ".", nullptr, "NumpadDecimal"},
      {VK_DIVIDE, "/", nullptr, "NumpadDivide"},
      {VK_NUMLOCK, "NumLock", nullptr, "NumLock"},
      {VK_SCROLL, "ScrollLock", nullptr, "ScrollLock"},
      {VK_OEM_1, ";", ":", "Semicolon"},
      {VK_OEM_PLUS, "=", "+", "Equal"},
      {VK_OEM_COMMA, ",", "<", "Comma"},
      {VK_OEM_MINUS, "-", "_", "Minus"},
      {VK_OEM_PERIOD, ".", ">", "Period"},
      {VK_OEM_2, "/", "?", "Slash"},
      {VK_OEM_3, "`", "~", "Backquote"},
      {VK_OEM_4, "[", "{", "BracketLeft"},
      {VK_OEM_5, "\\", "|", "Backslash"},
      {VK_OEM_6, "]", "}", "BracketRight"},
      {VK_OEM_7, "'", "\"", "Quote"},
      {VK_PROCESSKEY, "Process", nullptr, ""},
  };
  switch (vk) {
    case VK_RETURN:
      return {"Enter", extended ? "NumpadEnter" : "Enter"};
    case VK_SHIFT:
      return {"Shift", Location(flags, "ShiftLeft", "ShiftRight")};
    case VK_CONTROL:
      return {"Control", Location(flags, "ControlLeft", "ControlRight")};
    case VK_MENU:
      return {"Alt", Location(flags, "AltLeft", "AltRight")};
    case VK_LWIN:
      return {"Meta", "MetaLeft"};
    case VK_RWIN:
      return {"Meta", "MetaRight"};
    default:
      break;
  }
  for (const Entry& entry : kKeys) {
    if (entry.vk == vk) return {shift && entry.shifted ? entry.shifted : entry.key, entry.code};
  }
  return {};
}

std::wstring CharacterText(const CefKeyEvent& event) {
  wchar_t character = event.character ? event.character : static_cast<wchar_t>(event.windows_key_code);
  // Enter types a line break; other control characters type nothing.
  if (character == L'\r') return L"\r";
  if (character < 0x20 || character == 0x7F) return std::wstring();
  return std::wstring(1, character);
}

Json KeyEvent(const CefKeyEvent& event, bool auto_repeat) {
  uint32_t flags = event.modifiers;
  Json params = {{"modifiers", ProtocolModifiers(flags)}};
  if (event.is_system_key) params["isSystemKey"] = true;
  if (event.type == KEYEVENT_CHAR) {
    std::string text = qbase::UTF16ToUTF8(CharacterText(event));
    params["type"] = "char";
    params["text"] = text;
    params["unmodifiedText"] = text;
    return params;
  }
  params["type"] = event.type == KEYEVENT_KEYUP ? "keyUp" : event.type == KEYEVENT_KEYDOWN ? "keyDown" : "rawKeyDown";
  params["windowsVirtualKeyCode"] = event.windows_key_code;
  params["nativeVirtualKeyCode"] = event.windows_key_code;
  bool extended = (event.native_key_code & (1 << 24)) != 0;
  DomKey names = DomKeyFor(event.windows_key_code, extended, flags);
  if (!names.key.empty()) params["key"] = names.key;
  if (!names.code.empty()) params["code"] = names.code;
  if (flags & EVENTFLAG_IS_KEY_PAD) {
    params["isKeypad"] = true;
    params["location"] = 3;
  } else if (flags & EVENTFLAG_IS_LEFT) {
    params["location"] = 1;
  } else if (flags & EVENTFLAG_IS_RIGHT) {
    params["location"] = 2;
  }
  if (auto_repeat) params["autoRepeat"] = true;
  return params;
}

CefKeyEvent KeyEventFromMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  CefKeyEvent event;
  event.windows_key_code = static_cast<int>(wparam);
  event.native_key_code = static_cast<int>(lparam);
  event.is_system_key = message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_SYSCHAR;
  if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
    event.type = KEYEVENT_RAWKEYDOWN;
  } else if (message == WM_KEYUP || message == WM_SYSKEYUP) {
    event.type = KEYEVENT_KEYUP;
  } else {
    event.type = KEYEVENT_CHAR;
    event.character = static_cast<wchar_t>(wparam);
    event.unmodified_character = static_cast<wchar_t>(wparam);
  }
  uint32_t flags = CurrentEventFlags() & ~(EVENTFLAG_LEFT_MOUSE_BUTTON | EVENTFLAG_MIDDLE_MOUSE_BUTTON |
                                           EVENTFLAG_RIGHT_MOUSE_BUTTON);
  bool extended = (lparam & (1 << 24)) != 0;
  int vk = static_cast<int>(wparam);
  if (event.type != KEYEVENT_CHAR) {
    if ((vk == VK_RETURN && extended) || (vk >= VK_NUMPAD0 && vk <= VK_DIVIDE) || vk == VK_NUMLOCK || vk == VK_CLEAR) {
      flags |= EVENTFLAG_IS_KEY_PAD;
    }
    if (vk == VK_SHIFT) flags |= KeyDown(VK_LSHIFT) ? EVENTFLAG_IS_LEFT : EVENTFLAG_IS_RIGHT;
    if (vk == VK_CONTROL) flags |= extended ? EVENTFLAG_IS_RIGHT : EVENTFLAG_IS_LEFT;
    if (vk == VK_MENU) flags |= extended ? EVENTFLAG_IS_RIGHT : EVENTFLAG_IS_LEFT;
  }
  event.modifiers = flags;
  return event;
}

LPCWSTR SystemCursorFor(const std::string& css_cursor) {
  // "url(...), fallback" keeps only its keyword: pictures are not fetched.
  std::string name = css_cursor;
  size_t comma = name.rfind(',');
  if (comma != std::string::npos) name = name.substr(comma + 1);
  size_t first = name.find_first_not_of(' ');
  name = first == std::string::npos ? std::string() : name.substr(first);
  struct Entry {
    const char* css;
    LPCWSTR system;
  };
  static const Entry kCursors[] = {
      {"pointer", IDC_HAND},        {"text", IDC_IBEAM},         {"vertical-text", IDC_IBEAM},
      {"wait", IDC_WAIT},           {"progress", IDC_APPSTARTING}, {"crosshair", IDC_CROSS},
      {"cell", IDC_CROSS},          {"move", IDC_SIZEALL},       {"all-scroll", IDC_SIZEALL},
      {"not-allowed", IDC_NO},      {"no-drop", IDC_NO},         {"help", IDC_HELP},
      {"ew-resize", IDC_SIZEWE},    {"e-resize", IDC_SIZEWE},    {"w-resize", IDC_SIZEWE},
      {"col-resize", IDC_SIZEWE},   {"ns-resize", IDC_SIZENS},   {"n-resize", IDC_SIZENS},
      {"s-resize", IDC_SIZENS},     {"row-resize", IDC_SIZENS},  {"nwse-resize", IDC_SIZENWSE},
      {"nw-resize", IDC_SIZENWSE},  {"se-resize", IDC_SIZENWSE}, {"nesw-resize", IDC_SIZENESW},
      {"ne-resize", IDC_SIZENESW},  {"sw-resize", IDC_SIZENESW},
  };
  for (const Entry& entry : kCursors) {
    if (name == entry.css) return entry.system;
  }
  return IDC_ARROW;
}

}  // namespace remote
