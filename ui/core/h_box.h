#pragma once

#include <memory>

#include "ui/core/box.h"
#include "ui/core/h_layout.h"

namespace ui {

// A box whose children stand side by side.
class HBox : public Box {
 public:
  HBox() : Box(std::make_unique<HLayout>()) {}
};

}  // namespace ui
