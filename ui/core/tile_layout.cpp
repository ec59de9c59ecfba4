#include "ui/core/tile_layout.h"

#include <algorithm>
#include <climits>

#include "ui/core/attribute_values.h"
#include "ui/core/box.h"
#include "ui/core/dpi_scale.h"

namespace ui {

bool TileLayout::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"itemsize") {
    SetItemSize(ParseSize(value.c_str()), true);
    return true;
  }
  if (name == L"columns") {
    SetColumns(ParseInt(value.c_str()));
    return true;
  }
  return Layout::SetAttribute(name, value);
}

void TileLayout::SetColumns(int columns) {
  if (columns <= 0 || columns == columns_) return;
  columns_ = columns;
  if (owner_) owner_->Arrange();
}

void TileLayout::SetItemSize(Size size, bool scale) {
  if (scale) {
    const DpiScale& dpi = DpiScale::GetInstance();
    size = Size(dpi.ScaleValue(size.cx), dpi.ScaleValue(size.cy));
  }
  if (size == item_size_) return;
  item_size_ = size;
  if (owner_) owner_->Arrange();
}

Size TileLayout::Flow(const std::vector<Control*>& children, const Rect& content, bool place) {
  const int width = std::max(0, content.Width());
  int columns = columns_;
  if (item_size_.cx > 0) columns = width / item_size_.cx;
  columns = std::max(1, columns);
  // The first width % columns columns take one pixel more.
  const int base = width / columns;
  const int wider = width % columns;
  auto column_left = [&](int column) { return content.left + column * base + std::min(column, wider); };
  auto column_width = [&](int column) { return base + (column < wider ? 1 : 0); };

  std::vector<Control*> items;
  for (Control* child : children) {
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      if (place) SetFloatPos(child, content);
      continue;
    }
    items.push_back(child);
  }

  // Each item's size within its cell, margins and the child margin aside.
  auto item_size = [&](Control* child, int column) {
    const Rect margin = child->GetMargin();
    const int room = std::max<int>(0, column_width(column) - margin.left - margin.right - child_margin_);
    const int cell_height = item_size_.cy > 0 ? item_size_.cy : 0;
    Size size = child->EstimateSize(Size(room, cell_height > 0 ? cell_height : INT_MAX / 4));
    if (size.cx < 0) size.cx = room;
    if (size.cy < 0) size.cy = cell_height;
    size.cx = Layout::ClampLength(size.cx, child->GetMinWidth(), child->GetMaxWidth());
    size.cy = Layout::ClampLength(size.cy, child->GetMinHeight(), child->GetMaxHeight());
    return size;
  };

  int64_t top = content.top;
  int64_t total = 0;
  for (size_t first = 0; first < items.size(); first += static_cast<size_t>(columns)) {
    const size_t end = std::min(items.size(), first + static_cast<size_t>(columns));
    int row_height = 0;
    std::vector<Size> sizes;
    for (size_t i = first; i < end; ++i) {
      sizes.push_back(item_size(items[i], static_cast<int>(i - first)));
      const Rect margin = items[i]->GetMargin();
      row_height = std::max<int>(row_height, sizes.back().cy + margin.top + margin.bottom);
    }
    if (first > 0) {
      top += child_margin_;
      total += child_margin_;
    }
    if (place) {
      for (size_t i = first; i < end; ++i) {
        const int column = static_cast<int>(i - first);
        const Size& size = sizes[i - first];
        const Rect margin = items[i]->GetMargin();
        const int cell_width = column_width(column) - margin.left - margin.right;
        const int left = column_left(column) + margin.left + (cell_width - size.cx) / 2;
        const int cell_top = static_cast<int>(std::min<int64_t>(top, INT_MAX / 2)) + margin.top;
        const int row_inner = row_height - margin.top - margin.bottom;
        const int item_top = cell_top + (row_inner - size.cy) / 2;
        items[i]->SetPos(Rect(left, item_top, left + size.cx, item_top + size.cy));
      }
    }
    top += row_height;
    total += row_height;
  }
  return Size(width, static_cast<int>(std::min<int64_t>(total, INT_MAX / 2)));
}

Size TileLayout::ArrangeChildren(const std::vector<Control*>& children, Rect content) {
  return Flow(children, content, true);
}

Size TileLayout::EstimateChildren(const std::vector<Control*>& children, Size available) {
  int width = available.cx;
  // An auto-sized tile box is as wide as its columns of items.
  if (width <= 0 || width >= INT_MAX / 4) width = item_size_.cx > 0 ? item_size_.cx * columns_ : width;
  Size size = Flow(children, Rect(0, 0, std::max(0, width), 0), false);
  size.cx += padding_.left + padding_.right;
  size.cy += padding_.top + padding_.bottom;
  return size;
}

}  // namespace ui
