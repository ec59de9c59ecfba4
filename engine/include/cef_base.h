#pragma once

#include <atomic>
#include <cstddef>
#include <utility>

// Every engine object is shared by intrusive reference counting, so that the
// engine and the client can each hold what they need across threads.
class CefBaseRefCounted {
 public:
  virtual void AddRef() const = 0;
  // True when this call released the last reference.
  virtual bool Release() const = 0;
  virtual bool HasOneRef() const = 0;
  virtual bool HasAtLeastOneRef() const = 0;

 protected:
  virtual ~CefBaseRefCounted() = default;
};

class CefRefCount {
 public:
  CefRefCount() = default;
  CefRefCount(const CefRefCount&) = delete;
  CefRefCount& operator=(const CefRefCount&) = delete;

  void AddRef() const { count_.fetch_add(1, std::memory_order_relaxed); }
  bool Release() const { return count_.fetch_sub(1, std::memory_order_acq_rel) == 1; }
  bool HasOneRef() const { return count_.load(std::memory_order_acquire) == 1; }
  bool HasAtLeastOneRef() const { return count_.load(std::memory_order_acquire) >= 1; }

 private:
  mutable std::atomic<int> count_{0};
};

// One count for the whole object, however many engine interfaces it
// implements: the overrides in the most derived class serve every base.
#define IMPLEMENT_REFCOUNTING(ClassName)                                           \
 public:                                                                           \
  void AddRef() const override { ref_count_.AddRef(); }                            \
  bool Release() const override {                                                  \
    if (ref_count_.Release()) {                                                    \
      delete static_cast<const ClassName*>(this);                                  \
      return true;                                                                 \
    }                                                                              \
    return false;                                                                  \
  }                                                                                \
  bool HasOneRef() const override { return ref_count_.HasOneRef(); }               \
  bool HasAtLeastOneRef() const override { return ref_count_.HasAtLeastOneRef(); } \
                                                                                   \
 private:                                                                          \
  CefRefCount ref_count_

template <typename T>
class CefRefPtr {
 public:
  CefRefPtr() = default;
  CefRefPtr(std::nullptr_t) {}
  CefRefPtr(T* pointer) : pointer_(pointer) {
    if (pointer_) pointer_->AddRef();
  }
  CefRefPtr(const CefRefPtr& other) : CefRefPtr(other.pointer_) {}
  CefRefPtr(CefRefPtr&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
  template <typename U>
  CefRefPtr(const CefRefPtr<U>& other) : CefRefPtr(other.get()) {}
  ~CefRefPtr() {
    if (pointer_) pointer_->Release();
  }

  CefRefPtr& operator=(const CefRefPtr& other) {
    CefRefPtr copy(other);
    swap(copy);
    return *this;
  }
  CefRefPtr& operator=(CefRefPtr&& other) noexcept {
    CefRefPtr moved(std::move(other));
    swap(moved);
    return *this;
  }
  template <typename U>
  CefRefPtr& operator=(const CefRefPtr<U>& other) {
    CefRefPtr copy(other.get());
    swap(copy);
    return *this;
  }
  CefRefPtr& operator=(T* pointer) {
    CefRefPtr copy(pointer);
    swap(copy);
    return *this;
  }

  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  T& operator*() const { return *pointer_; }
  operator T*() const { return pointer_; }
  void swap(CefRefPtr& other) noexcept { std::swap(pointer_, other.pointer_); }

 private:
  T* pointer_ = nullptr;
};
