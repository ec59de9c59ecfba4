#include "ui/core/flow_layout.h"

#include <algorithm>

#include "ui/core/attribute_values.h"
#include "ui/core/control.h"
#include "ui/core/layout.h"

namespace ui {

int FlowAxis::MinMain(const Control* child) const { return horizontal ? child->GetMinWidth() : child->GetMinHeight(); }
int FlowAxis::MaxMain(const Control* child) const { return horizontal ? child->GetMaxWidth() : child->GetMaxHeight(); }
int FlowAxis::MinCross(const Control* child) const { return horizontal ? child->GetMinHeight() : child->GetMinWidth(); }
int FlowAxis::MaxCross(const Control* child) const { return horizontal ? child->GetMaxHeight() : child->GetMaxWidth(); }
int FlowAxis::CrossAlign(const Control* child) const {
  return horizontal ? child->GetVerAlignType() : child->GetHorAlignType();
}

Size ArrangeFlow(const FlowAxis& axis, const std::vector<Control*>& children, Rect content, int child_margin) {
  const Size available = content.GetSize();
  const int main_length = axis.Main(available);
  const int cross_length = axis.Cross(available);

  int flow_count = 0;
  int stretch_count = 0;
  int fixed_total = 0;
  for (Control* child : children) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    ++flow_count;
    const Size size = child->EstimateSize(available);
    const Rect margin = child->GetMargin();
    const int margins = axis.MainLead(margin) + axis.MainTrail(margin);
    if (axis.Main(size) == kLengthStretch) {
      ++stretch_count;
      fixed_total += margins;
    } else {
      fixed_total += Layout::ClampLength(axis.Main(size), axis.MinMain(child), axis.MaxMain(child)) + margins;
    }
  }
  if (flow_count > 0) fixed_total += child_margin * (flow_count - 1);

  int share = 0;
  int remainder = 0;
  if (stretch_count > 0) {
    share = std::max((main_length - fixed_total) / stretch_count, 0);
    // The first stretch children take the leftover pixels, one each.
    remainder = main_length - stretch_count * share - fixed_total;
  }

  int position = axis.MainLead(content);
  int remaining = main_length;
  int used_main = 0;
  int used_cross = 0;
  for (Control* child : children) {
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      Layout::SetFloatPos(child, content);
      continue;
    }
    const Rect margin = child->GetMargin();
    remaining -= axis.MainLead(margin);
    const Size size = child->EstimateSize(axis.MakeSize(remaining, cross_length));
    int main = axis.Main(size);
    if (main == kLengthStretch) {
      main = share;
      if (remainder > 0) {
        ++main;
        --remainder;
      }
    }
    main = Layout::ClampLength(main, axis.MinMain(child), axis.MaxMain(child));
    int cross = axis.Cross(size) == kLengthStretch
                    ? cross_length - axis.CrossLead(margin) - axis.CrossTrail(margin)
                    : axis.Cross(size);
    cross = Layout::ClampLength(std::max(cross, 0), axis.MinCross(child), axis.MaxCross(child));

    int cross_start = axis.CrossLead(content) + axis.CrossLead(margin);
    if (axis.CrossAlign(child) == 2) {
      cross_start = axis.CrossTrail(content) - axis.CrossTrail(margin) - cross;
    } else if (axis.CrossAlign(child) == 1) {
      cross_start =
          axis.CrossLead(content) + (axis.CrossLead(margin) + cross_length - axis.CrossTrail(margin) - cross) / 2;
    }
    child->SetPos(axis.MakeRect(position + axis.MainLead(margin), cross_start, main, cross));

    position += axis.MainLead(margin) + main + axis.MainTrail(margin) + child_margin;
    remaining -= main + axis.MainTrail(margin) + child_margin;
    used_main += axis.MainLead(margin) + main + axis.MainTrail(margin);
    used_cross = std::max(used_cross, cross);
  }
  if (flow_count > 1) used_main += child_margin * (flow_count - 1);
  return axis.MakeSize(used_main, used_cross);
}

Size EstimateFlow(const FlowAxis& axis, const std::vector<Control*>& children, Size available, int child_margin) {
  int needed_main = 0;
  int needed_cross = 0;
  int count = 0;
  for (Control* child : children) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    const Size size = child->EstimateSize(available);
    const Rect margin = child->GetMargin();
    needed_main += Layout::ClampLength(axis.Main(size), axis.MinMain(child), axis.MaxMain(child)) +
                   axis.MainLead(margin) + axis.MainTrail(margin);
    needed_cross =
        std::max(needed_cross, Layout::ClampLength(axis.Cross(size), axis.MinCross(child), axis.MaxCross(child)) +
                                   axis.CrossLead(margin) + axis.CrossTrail(margin));
    ++count;
  }
  if (count >= 2) needed_main += child_margin * (count - 1);
  return axis.MakeSize(needed_main, needed_cross);
}

}  // namespace ui
