#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace qbase {

// Removal during a notification leaves a hole; the holes are compacted away
// once the outermost notification has finished.
class LazyEraser {
 public:
  virtual ~LazyEraser() = default;
  virtual void Compact() = 0;

 protected:
  int notify_depth_ = 0;
};

template <typename Observer>
class ObserverList : public LazyEraser {
 public:
  void AddObserver(Observer* observer) { observers_.push_back(observer); }

  void RemoveObserver(Observer* observer) {
    auto it = std::find(observers_.begin(), observers_.end(), observer);
    if (it == observers_.end()) return;
    if (notify_depth_ > 0)
      *it = nullptr;
    else
      observers_.erase(it);
  }

  bool HasObserver(Observer* observer) const {
    return std::find(observers_.begin(), observers_.end(), observer) != observers_.end();
  }

  // The size is read again at every step, so observers added by an observer
  // are told too.
  template <typename Notification>
  void Notify(Notification&& notify) {
    // The common case on every task and message: nobody listens.
    if (observers_.empty()) return;
    ++notify_depth_;
    for (std::size_t i = 0; i < observers_.size(); ++i) {
      if (observers_[i]) notify(observers_[i]);
    }
    if (--notify_depth_ < 1) Compact();
  }

  void Compact() override {
    if (notify_depth_ > 0) return;
    observers_.erase(std::remove(observers_.begin(), observers_.end(), nullptr), observers_.end());
  }

  std::size_t size() const { return observers_.size(); }

 private:
  std::vector<Observer*> observers_;
};

}  // namespace qbase
