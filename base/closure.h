#pragma once

#include <functional>

namespace qbase {

// A task: posted to a loop, run once on the loop's thread.
using Closure = std::function<void()>;

}  // namespace qbase
