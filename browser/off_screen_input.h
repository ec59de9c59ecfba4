#pragma once

#include <windows.h>

#include <cstdint>

#include "include/cef_types.h"

namespace qiv_comp {

// Native input turned into the engine's events for an off-screen browser.
// The keyboard state is the calling thread's (GetKeyState).

// Engine event flags of a mouse message: Shift, Control and the buttons
// from its key-state parameter; Alt, Num Lock and Caps Lock from the
// keyboard.
uint32_t MouseEventModifiers(WPARAM key_state);

// Engine event flags of a key message: the modifier keys and locks, and
// whether the key sits on the key pad or on the left or right.
uint32_t KeyEventModifiers(WPARAM key_code, LPARAM key_data);

// The engine's key event for WM_KEYDOWN, WM_KEYUP, WM_CHAR and their
// WM_SYS variants.
CefKeyEvent KeyEventFromMessage(UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace qiv_comp
