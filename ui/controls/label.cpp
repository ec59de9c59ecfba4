#include "ui/controls/label.h"

namespace ui {

UINT ApplyTextAlign(const std::wstring& value, UINT format) {
  struct Rule {
    const wchar_t* word;
    UINT clear;
    UINT set;
  };
  // The order matters: later words override what earlier ones set.
  static const Rule kRules[] = {
      {L"left", kTextCenter | kTextRight | kTextVCenter | kTextSingleLine, 0},
      {L"center", kTextRight, kTextCenter},
      {L"right", kTextCenter | kTextVCenter | kTextSingleLine, kTextRight},
      {L"top", kTextVCenter | kTextBottom, kTextSingleLine},
      {L"vcenter", kTextBottom, kTextCenter | kTextVCenter | kTextSingleLine},
      {L"bottom", kTextVCenter, kTextBottom | kTextSingleLine},
  };
  for (const Rule& rule : kRules) {
    if (value.find(rule.word) == std::wstring::npos) continue;
    format &= ~rule.clear;
    format |= rule.set;
  }
  return format;
}

int ResolveTextColorState(const std::map<int, std::wstring>& colors, int state) {
  auto has = [&colors](int which) {
    auto it = colors.find(which);
    return it != colors.end() && !it->second.empty();
  };
  if (state == kControlStatePushed && !has(kControlStatePushed)) state = kControlStateHot;
  if (state == kControlStateHot && !has(kControlStateHot)) state = kControlStateNormal;
  if (state == kControlStateDisabled && !has(kControlStateDisabled)) state = kControlStateNormal;
  return state;
}

template class LabelTemplate<Control>;
template class LabelTemplate<Box>;

}  // namespace ui
