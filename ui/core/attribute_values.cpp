#include "ui/core/attribute_values.h"

#include <climits>
#include <cwchar>

#include "ui/core/dpi_scale.h"

namespace ui {

namespace {

bool IsSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

const wchar_t* OrEmpty(const wchar_t* text) { return text ? text : L""; }

}  // namespace

int ParseInt(const wchar_t* text, const wchar_t** end) {
  text = OrEmpty(text);
  const wchar_t* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == L'+' || *p == L'-') {
    negative = *p == L'-';
    ++p;
  }
  if (*p < L'0' || *p > L'9') {
    if (end) *end = text;
    return 0;
  }
  // Accumulate the magnitude with headroom for INT_MIN, then saturate.
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long magnitude = 0;
  for (; *p >= L'0' && *p <= L'9'; ++p) {
    if (magnitude <= limit) magnitude = magnitude * 10 + (*p - L'0');
  }
  if (magnitude > limit) magnitude = limit;
  if (end) *end = p;
  return static_cast<int>(negative ? -magnitude : magnitude);
}

bool ParseBool(const wchar_t* text) { return std::wcscmp(OrEmpty(text), L"true") == 0; }

void ParseIntList(const wchar_t* text, int* values, int count) {
  const wchar_t* p = OrEmpty(text);
  for (int i = 0; i < count; ++i) {
    const wchar_t* end = p;
    values[i] = ParseInt(p, &end);
    // One separator character, whichever it is; never step over the end.
    p = *end ? end + 1 : end;
  }
}

Size ParseSize(const wchar_t* text) {
  int values[2];
  ParseIntList(text, values, 2);
  return Size(values[0], values[1]);
}

Point ParsePoint(const wchar_t* text) {
  int values[2];
  ParseIntList(text, values, 2);
  return Point(values[0], values[1]);
}

Rect ParseRect(const wchar_t* text) {
  int values[4];
  ParseIntList(text, values, 4);
  return Rect(values[0], values[1], values[2], values[3]);
}

bool ParseLength(const wchar_t* text, bool scale, int* value) {
  text = OrEmpty(text);
  if (std::wcscmp(text, L"stretch") == 0) {
    *value = kLengthStretch;
    return true;
  }
  if (std::wcscmp(text, L"auto") == 0) {
    *value = kLengthAuto;
    return true;
  }
  int number = ParseInt(text);
  if (number < 0 && number != kLengthStretch && number != kLengthAuto) return false;
  if (number > 0 && scale) number = DpiScale::GetInstance().ScaleValue(number);
  *value = number;
  return true;
}

bool ParseHorizontalAlign(const wchar_t* text, int* value) {
  text = OrEmpty(text);
  if (std::wcscmp(text, L"left") == 0) {
    *value = kAlignLeft;
  } else if (std::wcscmp(text, L"center") == 0) {
    *value = kAlignCenter;
  } else if (std::wcscmp(text, L"right") == 0) {
    *value = kAlignRight;
  } else {
    return false;
  }
  return true;
}

bool ParseVerticalAlign(const wchar_t* text, int* value) {
  text = OrEmpty(text);
  if (std::wcscmp(text, L"top") == 0) {
    *value = kAlignTop;
  } else if (std::wcscmp(text, L"center") == 0) {
    *value = kAlignVCenter;
  } else if (std::wcscmp(text, L"bottom") == 0) {
    *value = kAlignBottom;
  } else {
    return false;
  }
  return true;
}

uint32_t ParseColorDefinition(const wchar_t* text) {
  text = OrEmpty(text);
  if (*text == 0) return 0;
  const wchar_t* p = text + 1;
  while (IsSpace(*p)) ++p;
  uint64_t value = 0;
  for (int digit = HexDigit(*p); digit >= 0; digit = HexDigit(*++p)) {
    value = value * 16 + static_cast<uint64_t>(digit);
    if (value > 0xFFFFFFFFu) value = 0xFFFFFFFFu + 1ull;  // saturates below
  }
  return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

}  // namespace ui
