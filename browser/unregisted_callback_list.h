#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "base/closure.h"
#include "base/weak_callback.h"

namespace qiv_comp {

// Callables waiting for one occasion, each removable by the closure its
// addition returned. The closure is bound to the list's weak flag, so it
// does nothing once the list is gone. Not thread-safe: one thread owns it.
template <typename Callback>
class UnregistedCallbackList : public qbase::SupportWeakCallback {
 public:
  UnregistedCallbackList() = default;
  UnregistedCallbackList(const UnregistedCallbackList&) = delete;
  UnregistedCallbackList& operator=(const UnregistedCallbackList&) = delete;

  // Returns the closure that removes exactly this callable again.
  qbase::Closure AddCallback(Callback callback) {
    const uint64_t key = next_key_++;
    callbacks_.emplace(key, std::move(callback));
    return ToWeakCallback([this, key] { callbacks_.erase(key); });
  }

  // Calls every callable in the order of addition and empties the list.
  // Callables added while it runs wait for the next run.
  template <typename... Args>
  void RunAndClear(Args&&... args) {
    std::map<uint64_t, Callback> due;
    due.swap(callbacks_);
    for (auto& entry : due) {
      if (entry.second) entry.second(args...);
    }
  }

  void Clear() { callbacks_.clear(); }
  bool IsEmpty() const { return callbacks_.empty(); }
  size_t GetSize() const { return callbacks_.size(); }

 private:
  // Keys grow with each addition, so the map's order is the order of addition.
  std::map<uint64_t, Callback> callbacks_;
  uint64_t next_key_ = 0;
};

}  // namespace qiv_comp
