#include "ui/controls/tile_box.h"

#include <memory>

#include "ui/core/tile_layout.h"

namespace ui {

TileBox::TileBox() : ScrollableBox(std::make_unique<TileLayout>()) {}

}  // namespace ui
