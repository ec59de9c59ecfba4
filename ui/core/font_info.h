#pragma once

#include <windows.h>

#include <string>

#include "base/unique_handle.h"

namespace ui {

struct FontHandleTraits {
  using Type = HFONT;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::DeleteObject(handle); }
};

using UniqueFont = qbase::UniqueHandle<FontHandleTraits>;

// One entry of the font table; the record owns its native font.
struct FontInfo {
  UniqueFont font;
  std::wstring face_name;
  int size = 0;  // pixels, already scaled
  bool bold = false;
  bool underline = false;
  bool italic = false;
  // Filled by drawing code the first time it needs the metrics.
  TEXTMETRICW text_metrics = {};
};

}  // namespace ui
