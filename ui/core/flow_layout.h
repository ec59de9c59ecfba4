#pragma once

#include <vector>

#include "ui/core/rect.h"
#include "ui/core/size.h"

namespace ui {

class Control;

// What horizontal and vertical boxes share: children placed one after the
// other along a main axis, stretch children sharing what the others leave,
// each child aligned on the cross axis. One algorithm, told which axis runs
// along the flow.
struct FlowAxis {
  bool horizontal;

  int Main(const Size& size) const { return horizontal ? size.cx : size.cy; }
  int Cross(const Size& size) const { return horizontal ? size.cy : size.cx; }
  Size MakeSize(int main, int cross) const { return horizontal ? Size(main, cross) : Size(cross, main); }
  // Edges of a rectangle, or edge widths of margins, along each axis.
  int MainLead(const Rect& r) const { return horizontal ? r.left : r.top; }
  int MainTrail(const Rect& r) const { return horizontal ? r.right : r.bottom; }
  int CrossLead(const Rect& r) const { return horizontal ? r.top : r.left; }
  int CrossTrail(const Rect& r) const { return horizontal ? r.bottom : r.right; }
  Rect MakeRect(int main_start, int cross_start, int main_length, int cross_length) const {
    return horizontal ? Rect(main_start, cross_start, main_start + main_length, cross_start + cross_length)
                      : Rect(cross_start, main_start, cross_start + cross_length, main_start + main_length);
  }
  int MinMain(const Control* child) const;
  int MaxMain(const Control* child) const;
  int MinCross(const Control* child) const;
  int MaxCross(const Control* child) const;
  // 0 at the cross axis's start, 1 centred, 2 at its end.
  int CrossAlign(const Control* child) const;
};

// Places the flowing children inside content (floats by their own rule) and
// returns the size they use.
Size ArrangeFlow(const FlowAxis& axis, const std::vector<Control*>& children, Rect content, int child_margin);
// The size the children need, padding not included.
Size EstimateFlow(const FlowAxis& axis, const std::vector<Control*>& children, Size available, int child_margin);

}  // namespace ui
