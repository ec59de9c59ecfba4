#include "include/cef_v8.h"

namespace {

bool Fits(const CefRefPtr<CefV8Value>& value, CefV8ArgumentCheck::Kind kind) {
  switch (kind) {
    case CefV8ArgumentCheck::kAny:
      return true;
    case CefV8ArgumentCheck::kString:
      return value && value->IsString();
    case CefV8ArgumentCheck::kFunction:
      return value && value->IsFunction();
  }
  return false;
}

}  // namespace

int CefV8ArgumentCheck::Match(const CefV8ValueList& arguments) const {
  for (size_t index = 0; index < shapes.size(); ++index) {
    const std::vector<Kind>& shape = shapes[index];
    if (arguments.size() < shape.size()) continue;
    bool fits = true;
    for (size_t i = 0; i < shape.size() && fits; ++i) fits = Fits(arguments[i], shape[i]);
    if (fits) return static_cast<int>(index);
  }
  return -1;
}

CefString CefV8ArgumentCheck::FailureFor(const CefString& first_argument) const {
  std::wstring text = failure.ToWString();
  size_t at = text.find(L"%s");
  if (at != std::wstring::npos) text.replace(at, 2, first_argument.ToWString());
  return text;
}
