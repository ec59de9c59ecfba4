#pragma once

#include <windows.h>

#include <utility>

namespace qbase {

// Single owner of one operating-system handle; the traits name the release
// call, so a handle cannot be freed with the wrong one.
template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Type get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }

  Type release() {
    Type handle = handle_;
    handle_ = Traits::Invalid();
    return handle;
  }

  void reset(Type handle = Traits::Invalid()) {
    if (handle_ != Traits::Invalid()) Traits::Close(handle_);
    handle_ = handle;
  }

  // Out-parameter access for functions that return a handle through a
  // pointer: the old handle is released first.
  Type* put() {
    reset();
    return &handle_;
  }

 private:
  Type handle_ = Traits::Invalid();
};

struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::CloseHandle(handle); }
};

struct FileHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { ::CloseHandle(handle); }
};

struct WindowHandleTraits {
  using Type = HWND;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::DestroyWindow(handle); }
};

// Events, threads, completion ports: every kernel handle whose "none" is null.
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueWindow = UniqueHandle<WindowHandleTraits>;

}  // namespace qbase
