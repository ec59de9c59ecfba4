#pragma once

#include <cstdint>
#include <string>

#include "tests/ui/byte_mutator.h"
#include "ui/core/control.h"
#include "ui/core/markup_builder.h"

namespace ui {
namespace test {

// Builds |count| seeded mutations of |layout| without a window and
// destroys what each built. Returns how many built a tree, so a caller can
// tell that the run exercised something; controls that outlive their tree
// show up in Control::GetInstanceCount.
inline int BuildMutatedLayouts(const std::string& layout, uint32_t seed, int count) {
  ByteMutator mutator(seed);
  int built = 0;
  for (int i = 0; i < count; ++i) {
    const std::string mutated = mutator.Mutate(layout);
    MarkupBuilder builder;
    Control* root = builder.Create(std::wstring(mutated.begin(), mutated.end()), nullptr, nullptr, nullptr);
    built += root != nullptr;
    delete root;
  }
  return built;
}

}  // namespace test
}  // namespace ui
