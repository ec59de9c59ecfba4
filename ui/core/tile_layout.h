#pragma once

#include "ui/core/layout.h"

namespace ui {

// A grid of equal cells filled row by row. With an item width the columns
// follow from the width of the box; otherwise the column count is fixed.
// Items are centred in their cells; a row is as tall as its tallest item.
class TileLayout : public Layout {
 public:
  bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
  Size ArrangeChildren(const std::vector<Control*>& children, Rect content) override;
  Size EstimateChildren(const std::vector<Control*>& children, Size available) override;

  int GetColumns() const { return columns_; }
  // Values of 0 or less are ignored.
  void SetColumns(int columns);
  Size GetItemSize() const { return item_size_; }
  // Scaled when |scale| is set; re-arranges the owner when it changed.
  void SetItemSize(Size size, bool scale = true);

 private:
  // Lays the rows out within |width|; places the items too when |place|.
  Size Flow(const std::vector<Control*>& children, const Rect& content, bool place);

  int columns_ = 1;
  Size item_size_;
};

}  // namespace ui
