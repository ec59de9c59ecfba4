#pragma once

#include <cstdint>

#include "ui/core/point.h"
#include "ui/core/rect.h"
#include "ui/core/size.h"

namespace ui {

// The syntax of attribute values in skin markup. Every attribute setter
// parses through these, so the accepted forms are decided here only. A null
// text reads as an empty one.

// Stored in a length field instead of a number of pixels.
constexpr int kLengthStretch = -1;
constexpr int kLengthAuto = -2;
// Maximum width and height of a control that sets none.
constexpr int kMaxLength = 9999999;

enum HorizontalAlign { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2 };
enum VerticalAlign { kAlignTop = 0, kAlignVCenter = 1, kAlignBottom = 2 };

// Decimal integer with optional sign after optional white space; stops at the
// first non-digit; 0 when no number starts the text. Out-of-range values
// saturate. *end (when given) points after the number, or at the text when
// there was none.
int ParseInt(const wchar_t* text, const wchar_t** end = nullptr);

// Only the exact text "true" is true.
bool ParseBool(const wchar_t* text);

// count integers, each followed by exactly one separator character of any
// kind; white space after a separator is skipped; missing numbers read as 0.
void ParseIntList(const wchar_t* text, int* values, int count);
Size ParseSize(const wchar_t* text);
Point ParsePoint(const wchar_t* text);
Rect ParseRect(const wchar_t* text);

// "stretch", "auto" or an integer. A positive integer is scaled when scale is
// set (widths and heights are, maximum sizes are not). Returns false, leaving
// *value as it was, for a negative number other than the two sentinels.
bool ParseLength(const wchar_t* text, bool scale, int* value);

// "left"/"center"/"right" and "top"/"center"/"bottom". Any other word
// returns false and leaves *value alone.
bool ParseHorizontalAlign(const wchar_t* text, int* value);
bool ParseVerticalAlign(const wchar_t* text, int* value);

// #AARRGGBB: the first character is skipped whatever it is and the rest is
// read as unsigned hexadecimal. Six digits therefore give alpha 0, which is
// transparent: skins must spell out all four bytes.
uint32_t ParseColorDefinition(const wchar_t* text);

}  // namespace ui
