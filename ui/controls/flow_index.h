#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace ui {

class Box;
class Control;

// The visible flow children of a scrolling box, in child order, with what
// is needed to find those near a band of rows without visiting the rest.
// A column, a grid of tiles or a tree all place each flow child no higher
// than the one before, top and bottom; then the children meeting a band
// are one run found by binary search, and a scroll step costs what lies
// near the view rather than the length of the list. Layouts that place
// children otherwise leave the index unordered, and callers walk them all.
//
// The index follows the box's children generation: any child placed,
// shown, hidden, floated, added, removed or moved in the list makes the
// next use rebuild it.
class FlowIndex {
 public:
  struct Entry {
    Control* control;
    size_t child_index;  // in the box's children
  };

  // Rebuilds the index when |box| changed since the last call.
  void Update(const Box& box);

  bool ordered() const { return built_ && ordered_; }
  const std::vector<Entry>& entries() const { return entries_; }
  // Float children in child order, which lie anywhere.
  const std::vector<Entry>& floats() const { return floats_; }
  // The run of entries [first, last) that may meet rows [top, bottom);
  // every entry outside it lies wholly above or below. Only when ordered.
  std::pair<size_t, size_t> Span(int top, int bottom) const;

 private:
  std::vector<Entry> entries_;
  std::vector<Entry> floats_;
  uint64_t generation_ = 0;
  bool built_ = false;
  bool ordered_ = false;
};

}  // namespace ui
