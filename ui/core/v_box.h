#pragma once

#include <memory>

#include "ui/core/box.h"
#include "ui/core/v_layout.h"

namespace ui {

// A box whose children are stacked top to bottom.
class VBox : public Box {
 public:
  VBox() : Box(std::make_unique<VLayout>()) {}
};

}  // namespace ui
