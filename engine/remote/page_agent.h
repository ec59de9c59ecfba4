#pragma once

#include <string>

#include "engine/remote/json_util.h"

namespace remote {

// A small script of the engine's own in every frame, in a world of its own
// that page scripts cannot reach: it reports what the protocol has no event
// for (the title as it changes, the cursor under the mouse, whether the
// focused element takes text) through a binding only that world sees.
struct PageAgent {
  static const char kWorldName[];
  static const char kBindingName[];
  static std::string Script();

  enum class Kind { kNone, kTitle, kCursor, kFocus };
  struct Report {
    Kind kind = Kind::kNone;
    std::string text;       // the title, or the CSS cursor
    bool editable = false;  // focus: the focused element takes text
    bool focused = false;   // focus: an element has the focus
  };
  // A binding payload; kNone for anything malformed.
  static Report Parse(const std::string& payload);
};

}  // namespace remote
