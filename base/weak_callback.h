#pragma once

#include <memory>
#include <type_traits>
#include <utility>

namespace qbase {

// Shared only so that weak references can watch its lifetime.
class WeakFlag {};

// A callable that runs only while the owner of its flag still lives. Once the
// flag is gone it does nothing and yields the result type's default value.
template <typename Callable>
class WeakCallback {
 public:
  WeakCallback(std::weak_ptr<WeakFlag> flag, Callable callable)
      : flag_(std::move(flag)), callable_(std::move(callable)) {}

  template <typename... Args>
  auto operator()(Args&&... args) -> std::invoke_result_t<Callable&, Args&&...> {
    if (Expired()) return DefaultResult<std::invoke_result_t<Callable&, Args&&...>>();
    return callable_(std::forward<Args>(args)...);
  }

  template <typename... Args>
  auto operator()(Args&&... args) const -> std::invoke_result_t<const Callable&, Args&&...> {
    if (Expired()) return DefaultResult<std::invoke_result_t<const Callable&, Args&&...>>();
    return callable_(std::forward<Args>(args)...);
  }

  // An empty flag counts as expired.
  bool Expired() const { return flag_.expired(); }

 private:
  template <typename R>
  static R DefaultResult() {
    if constexpr (!std::is_void_v<R>) return R();
  }

  std::weak_ptr<WeakFlag> flag_;
  Callable callable_;
};

// Base of every object that hands out weak callbacks. Destroying the object
// releases the flag, which expires every callback made from it.
class SupportWeakCallback {
 public:
  SupportWeakCallback() = default;
  // A copy is a different owner: it never shares the original's flag.
  SupportWeakCallback(const SupportWeakCallback&) {}
  SupportWeakCallback& operator=(const SupportWeakCallback&) { return *this; }
  virtual ~SupportWeakCallback() = default;

  std::weak_ptr<WeakFlag> GetWeakFlag() {
    if (!weak_flag_) weak_flag_ = std::make_shared<WeakFlag>();
    return weak_flag_;
  }

  template <typename Callable>
  WeakCallback<std::decay_t<Callable>> ToWeakCallback(Callable&& callable) {
    return WeakCallback<std::decay_t<Callable>>(GetWeakFlag(), std::forward<Callable>(callable));
  }

 protected:
  // Expires every callback handed out so far; the next one gets a new flag.
  void ReleaseWeakFlag() { weak_flag_.reset(); }
  bool HasWeakFlag() const { return weak_flag_ != nullptr; }

 private:
  std::shared_ptr<WeakFlag> weak_flag_;
};

// Held as a member by objects that must cancel a group of callbacks (timers,
// say) while they themselves live on.
class WeakCallbackFlag final : public SupportWeakCallback {
 public:
  void Cancel() { ReleaseWeakFlag(); }
  bool HasUsed() const { return HasWeakFlag(); }
};

}  // namespace qbase
