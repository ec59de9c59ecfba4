#include "ui/controls/check_box.h"

namespace ui {

int SelectedStateFromName(const std::wstring& name, const wchar_t* prefix, const wchar_t* suffix) {
  const std::wstring head(prefix);
  const std::wstring tail(suffix);
  if (name.size() <= head.size() + tail.size()) return -1;
  if (name.compare(0, head.size(), head) != 0) return -1;
  if (name.compare(name.size() - tail.size(), tail.size(), tail) != 0) return -1;
  const std::wstring word = name.substr(head.size(), name.size() - head.size() - tail.size());
  if (word == L"normal") return kControlStateNormal;
  if (word == L"hot") return kControlStateHot;
  if (word == L"pushed") return kControlStatePushed;
  if (word == L"disabled") return kControlStateDisabled;
  return -1;
}

template class CheckBoxTemplate<Control>;
template class CheckBoxTemplate<Box>;

}  // namespace ui
