#include "ui/render/image_attribute.h"

#include <cwchar>

#include "ui/core/dpi_scale.h"

namespace ui {

namespace {

bool IsBlank(wchar_t c) { return c <= 32; }

// Four base-10 integers, each followed by exactly one separator character
// of any kind; a missing number reads as 0.
Rect ReadRect(const std::wstring& value) {
  const wchar_t* cursor = value.c_str();
  long numbers[4] = {0, 0, 0, 0};
  for (long& number : numbers) {
    wchar_t* end = nullptr;
    number = std::wcstol(cursor, &end, 10);
    cursor = end;
    if (*cursor != L'\0') ++cursor;
  }
  return Rect(static_cast<int>(numbers[0]), static_cast<int>(numbers[1]), static_cast<int>(numbers[2]),
              static_cast<int>(numbers[3]));
}

}  // namespace

void ImageAttribute::Init() {
  image_string.clear();
  image_name.clear();
  dest = Rect(-1, -1, -1, -1);
  source = Rect(-1, -1, -1, -1);
  corner = Rect(0, 0, 0, 0);
  fade = 255;
  x_tiled = false;
  y_tiled = false;
  play_count = -1;
}

void ImageAttribute::SetImageString(const std::wstring& text) {
  Init();
  image_string = text;
  image_name = text;
  ModifyAttribute(*this, text);
}

void ImageAttribute::ModifyAttribute(ImageAttribute& attribute, const std::wstring& text) {
  // Belongs to this call: "destscale" only affects a "dest" after it.
  bool scale_dest = true;
  const size_t size = text.size();
  size_t pos = 0;
  while (pos < size) {
    while (pos < size && IsBlank(text[pos])) ++pos;
    const size_t key_start = pos;
    while (pos < size && text[pos] != L'=' && !IsBlank(text[pos])) ++pos;
    const std::wstring key = text.substr(key_start, pos - key_start);
    while (pos < size && IsBlank(text[pos])) ++pos;
    if (pos >= size || text[pos] != L'=') return;
    ++pos;
    while (pos < size && IsBlank(text[pos])) ++pos;
    if (pos >= size || text[pos] != L'\'') return;
    ++pos;
    const size_t value_start = pos;
    while (pos < size && text[pos] != L'\'') ++pos;
    if (pos >= size) return;
    const std::wstring value = text.substr(value_start, pos - value_start);
    ++pos;

    if (!value.empty()) {
      if (key == L"file" || key == L"res") {
        attribute.image_name = value;
      } else if (key == L"destscale") {
        scale_dest = value == L"true";
      } else if (key == L"dest") {
        attribute.dest = ReadRect(value);
        if (scale_dest) DpiScale::GetInstance().ScaleRectInPlace(&attribute.dest);
      } else if (key == L"source") {
        attribute.source = ReadRect(value);
      } else if (key == L"corner") {
        attribute.corner = ReadRect(value);
      } else if (key == L"fade") {
        attribute.fade = static_cast<uint8_t>(std::wcstoul(value.c_str(), nullptr, 10) & 0xFF);
      } else if (key == L"xtiled") {
        attribute.x_tiled = value == L"true";
      } else if (key == L"ytiled") {
        attribute.y_tiled = value == L"true";
      } else if (key == L"playcount") {
        attribute.play_count = static_cast<int32_t>(std::wcstol(value.c_str(), nullptr, 10));
      }
    }

    // Pairs are separated by a space; anything else ends the list.
    if (pos >= size || text[pos] != L' ' || pos + 1 >= size) return;
    ++pos;
  }
}

}  // namespace ui
