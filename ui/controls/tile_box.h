#pragma once

#include "ui/controls/scrollable_box.h"

namespace ui {

// A box whose children sit in a grid of equal cells ("itemsize",
// "columns"); it scrolls when given bars.
class TileBox : public ScrollableBox {
 public:
  TileBox();
};

}  // namespace ui
