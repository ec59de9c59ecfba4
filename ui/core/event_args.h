#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/core/point.h"

namespace ui {

class Control;

// Handlers are stored by number and markup names map to these numbers, so
// the values never change.
enum EventKind : int {
  kEventInternalDoubleClick = 0,
  kEventInternalMenu = 1,
  kEventInternalSetFocus = 2,
  kEventInternalKillFocus = 3,
  kEventNone = 4,
  kEventAll = 6,
  kEventKeyDown = 8,
  kEventKeyUp = 9,
  kEventChar = 10,
  kEventSystemKey = 11,
  kEventMouseMove = 14,
  kEventMouseEnter = 15,
  kEventMouseLeave = 16,
  kEventMouseHover = 17,
  kEventMouseButtonDown = 18,
  kEventMouseButtonUp = 19,
  kEventMouseRightButtonDown = 20,
  kEventMouseRightButtonUp = 21,
  kEventMouseDoubleClick = 22,
  kEventMouseMenu = 23,
  kEventMouseScrollWheel = 24,
  kEventTouchDown = 27,
  kEventTouchMove = 28,
  kEventTouchUp = 29,
  kEventPointerDown = 32,
  kEventPointerUpdate = 33,
  kEventPointerUp = 34,
  kEventSetFocus = 36,
  kEventKillFocus = 37,
  kEventWindowSize = 38,
  kEventWindowClose = 39,
  kEventSetCursor = 40,
  kEventClick = 41,
  kEventSelect = 42,
  kEventUnSelect = 43,
  kEventTextChange = 44,
  kEventReturn = 45,
  kEventTab = 46,
  kEventLinkClick = 47,
  kEventImeStartComposition = 48,
  kEventImeEndComposition = 49,
  kEventScrollChange = 50,
  kEventValueChange = 51,
  kEventResize = 52,
};

// The mouse kinds that a control without mouse input hands to its parent.
constexpr int kEventMouseFirst = kEventMouseMove;
constexpr int kEventMouseLast = kEventMouseScrollWheel;

enum ControlState : int {
  kControlStateNormal = 0,
  kControlStateHot = 1,
  kControlStatePushed = 2,
  kControlStateDisabled = 3,
};

struct EventArgs {
  int kind = kEventNone;
  Control* sender = nullptr;
  uint32_t timestamp = 0;  // milliseconds, tick count
  Point mouse_point;
  wchar_t key = 0;  // character or virtual-key code
  // Pointer-sized so the window message parameters survive a 64-bit build.
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  float pressure = 0.0f;
};

// Returns whether the event should go on to later handlers.
using EventHandler = std::function<bool(EventArgs*)>;
using EventHandlerList = std::vector<EventHandler>;
using EventMap = std::map<int, EventHandlerList>;

// The kind a markup name stands for; an unknown name gives kEventNone, which
// never fires.
int EventKindFromName(const std::wstring& name);

// Runs the list for |kind| when there is one. Handlers run in the order they
// were added; the first that returns false stops the list. Returns false
// when no list exists for the kind, otherwise sets *result to the list's
// outcome and returns true.
bool RunEventHandlers(const EventMap& handlers, int kind, EventArgs* args, bool* result);

}  // namespace ui
