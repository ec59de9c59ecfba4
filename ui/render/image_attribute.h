#pragma once

#include <cstdint>
#include <string>

#include "ui/core/rect.h"

namespace ui {

// The parsed form of an image image_string: either a bare file name or
// pairs such as file='bg.png' corner='4,4,4,4' fade='200'.
struct ImageAttribute {
  ImageAttribute() { Init(); }

  // Back to the defaults: nothing named, dest and source unset.
  void Init();
  // Resets, takes the whole string as the image name, then applies its
  // pairs, so a string without pairs names the file by itself.
  void SetImageString(const std::wstring& image_string);
  // Applies the pairs of |text| over |attribute| without resetting it.
  // Stops at the first malformed pair; pairs before it stay applied.
  static void ModifyAttribute(ImageAttribute& attribute, const std::wstring& text);

  static bool IsSet(const Rect& rect) {
    return rect.left != -1 && rect.top != -1 && rect.right != -1 && rect.bottom != -1;
  }

  std::wstring image_string;
  std::wstring image_name;
  Rect dest;
  Rect source;
  Rect corner;
  uint8_t fade = 255;
  bool x_tiled = false;
  bool y_tiled = false;
  int32_t play_count = -1;  // -1 loops forever
};

}  // namespace ui
