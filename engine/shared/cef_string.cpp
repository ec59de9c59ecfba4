#include "include/cef_string.h"

#include "base/string_conversions.h"

std::string CefString::ToString() const { return qbase::UTF16ToUTF8(text_); }

void CefString::FromString(const std::string& utf8) { text_ = qbase::UTF8ToUTF16(utf8); }
