#include "ui/core/rect.h"

#include <algorithm>

namespace ui {

bool Rect::Intersect(const Rect& a, const Rect& b) {
  Rect result(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom));
  if (result.IsEmpty() || a.IsEmpty() || b.IsEmpty()) {
    Clear();
    return false;
  }
  *this = result;
  return true;
}

}  // namespace ui
