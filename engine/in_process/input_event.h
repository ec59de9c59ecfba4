#pragma once

#include "include/cef_types.h"

namespace inproc {

// Input handed to a windowless browser, kept for whoever inspects it: the
// in-process engine has no page layout to deliver it to.
struct InputEvent {
  enum class Kind { kKey, kMouseClick, kMouseMove, kMouseWheel, kFocus, kCaptureLost };
  Kind kind = Kind::kKey;
  CefKeyEvent key;
  CefMouseEvent mouse;
  cef_mouse_button_type_t button = MBT_LEFT;
  bool mouse_up = false;
  bool mouse_leave = false;
  int click_count = 0;
  int delta_x = 0;
  int delta_y = 0;
  bool focus = false;
};

}  // namespace inproc
