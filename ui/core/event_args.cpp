#include "ui/core/event_args.h"

namespace ui {

int EventKindFromName(const std::wstring& name) {
  struct Entry {
    const wchar_t* name;
    int kind;
  };
  static const Entry kNames[] = {
      {L"all", kEventAll},
      {L"keydown", kEventKeyDown},
      {L"keyup", kEventKeyUp},
      {L"char", kEventChar},
      {L"syskey", kEventSystemKey},
      {L"mousemove", kEventMouseMove},
      {L"mouseenter", kEventMouseEnter},
      {L"mouseleave", kEventMouseLeave},
      {L"mousehover", kEventMouseHover},
      {L"buttondown", kEventMouseButtonDown},
      {L"buttonup", kEventMouseButtonUp},
      {L"rbuttondown", kEventMouseRightButtonDown},
      {L"doubleclick", kEventMouseDoubleClick},
      {L"menu", kEventMouseMenu},
      {L"scrollwheel", kEventMouseScrollWheel},
      {L"setfocus", kEventSetFocus},
      {L"killfocus", kEventKillFocus},
      {L"windowclose", kEventWindowClose},
      {L"setcursor", kEventSetCursor},
      {L"select", kEventSelect},
      {L"unselect", kEventUnSelect},
      {L"return", kEventReturn},
      {L"tab", kEventTab},
      {L"scrollchange", kEventScrollChange},
      {L"valuechange", kEventValueChange},
  };
  for (const Entry& entry : kNames) {
    if (name == entry.name) return entry.kind;
  }
  return kEventNone;
}

bool RunEventHandlers(const EventMap& handlers, int kind, EventArgs* args, bool* result) {
  auto it = handlers.find(kind);
  if (it == handlers.end()) return false;
  // A handler may attach or detach handlers, or destroy the map's owner, so
  // run a copy of the list.
  const EventHandlerList list = it->second;
  bool outcome = true;
  for (const EventHandler& handler : list) {
    if (handler && !handler(args)) {
      outcome = false;
      break;
    }
  }
  *result = outcome;
  return true;
}

}  // namespace ui
