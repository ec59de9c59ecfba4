#include "ui/controls/flow_index.h"

#include <algorithm>

#include "ui/core/box.h"

namespace ui {

void FlowIndex::Update(const Box& box) {
  if (built_ && generation_ == box.children_generation()) return;
  entries_.clear();
  floats_.clear();
  ordered_ = true;
  const std::vector<Control*>& children = box.children();
  for (size_t i = 0; i < children.size(); ++i) {
    Control* child = children[i];
    if (child->IsFloat()) {
      floats_.push_back(Entry{child, i});
      continue;
    }
    if (!child->IsVisible()) continue;
    if (!entries_.empty()) {
      const Rect previous = entries_.back().control->GetPos();
      const Rect current = child->GetPos();
      if (current.top < previous.top || current.bottom < previous.bottom) ordered_ = false;
    }
    entries_.push_back(Entry{child, i});
  }
  generation_ = box.children_generation();
  built_ = true;
}

std::pair<size_t, size_t> FlowIndex::Span(int top, int bottom) const {
  // Bottoms rise with the index: the run starts at the first reaching
  // below |top|; tops rise too: it ends before the first starting at or
  // below |bottom|.
  auto first = std::partition_point(entries_.begin(), entries_.end(),
                                    [top](const Entry& entry) { return entry.control->GetPos().bottom <= top; });
  auto last = std::partition_point(first, entries_.end(),
                                   [bottom](const Entry& entry) { return entry.control->GetPos().top < bottom; });
  return {static_cast<size_t>(first - entries_.begin()), static_cast<size_t>(last - entries_.begin())};
}

}  // namespace ui
