#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/remote/json_util.h"
#include "include/cef_types.h"

namespace remote {

// How the engine's input maps onto the protocol's input events. Positions
// are view pixels, which are the page's CSS pixels at scale 1.

// The engine's event flags in the protocol's modifier bits (Alt 1, Control 2,
// Meta 4, Shift 8).
int ProtocolModifiers(uint32_t event_flags);
// The engine's event flags for the keyboard and mouse state of this thread.
uint32_t CurrentEventFlags();
// The protocol's "buttons" mask for the engine's mouse-button flags.
int ProtocolButtons(uint32_t event_flags);
const char* ProtocolButtonName(cef_mouse_button_type_t button);

Json MouseEvent(const char* type, int x, int y, uint32_t event_flags, const char* button = "none",
                int click_count = 0);
// Wheel deltas in the engine's sense (120 per notch, positive away from the
// user); the page scrolls 100 pixels per notch, as on Windows.
Json WheelEvent(int x, int y, int delta_x, int delta_y, uint32_t event_flags);

// The DOM's key and code names for a Windows virtual key; empty when the
// key has none of its own (printable keys take their character instead).
struct DomKey {
  std::string key;
  std::string code;
};
DomKey DomKeyFor(int virtual_key, bool extended, uint32_t event_flags);

// One engine key event. Key downs and ups carry the key's names; characters
// carry their text (a pending high surrogate waits for its partner).
Json KeyEvent(const CefKeyEvent& event, bool auto_repeat = false);
// The text of a character event, or empty for control characters that type
// nothing.
std::wstring CharacterText(const CefKeyEvent& event);

// The engine key event for a window's keyboard message (as the off-screen
// browser control builds it).
CefKeyEvent KeyEventFromMessage(UINT message, WPARAM wparam, LPARAM lparam);

// The Windows cursor for a CSS cursor name.
LPCWSTR SystemCursorFor(const std::string& css_cursor);

}  // namespace remote
