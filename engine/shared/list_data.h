#pragma once

#include <string>
#include <vector>

#include "include/cef_types.h"

namespace engine {

// The plain content of a list value: what crosses between the browser side
// and a renderer, always by copy.
struct ListItem {
  CefValueType type = VTYPE_NULL;
  bool bool_value = false;
  int int_value = 0;
  std::wstring string_value;
};
using ListData = std::vector<ListItem>;

}  // namespace engine
