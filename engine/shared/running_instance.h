#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace engine {

// The one running object of a kind, such as an engine between its start and
// its end, reached from any thread.
template <typename T>
class RunningInstance {
 public:
  static std::shared_ptr<T> Get() {
    std::lock_guard<std::mutex> guard(Lock());
    return Slot();
  }

  // False while another one runs. Null ends the running one.
  static bool Set(std::shared_ptr<T> instance) {
    std::lock_guard<std::mutex> guard(Lock());
    if (instance && Slot()) return false;
    Slot() = std::move(instance);
    return true;
  }

  // Posts to the running one's UI thread (T::ui()); false when none runs.
  static bool PostUi(std::function<void(T&)> task, int64_t delay_ms) {
    std::shared_ptr<T> running = Get();
    if (!running || !running->ui() || !task) return false;
    // An engine outlives its UI thread, so the task may hold it by pointer.
    T* raw = running.get();
    return running->ui()->PostTask([raw, task] { task(*raw); }, delay_ms);
  }

 private:
  static std::mutex& Lock() {
    static std::mutex lock;
    return lock;
  }
  static std::shared_ptr<T>& Slot() {
    static std::shared_ptr<T> slot;
    return slot;
  }
};

}  // namespace engine
