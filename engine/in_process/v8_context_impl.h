#pragma once

#include <memory>

#include "engine/in_process/v8_value_impl.h"
#include "include/cef_v8.h"

namespace inproc {

// One page load's script context in a renderer. It dies (IsValid false) when
// the frame navigates away or the browser closes.
class V8ContextImpl : public CefV8Context {
 public:
  V8ContextImpl(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame);

  void Invalidate() { *alive_ = false; }
  const std::shared_ptr<bool>& alive() const { return alive_; }

  // False once the page is gone.
  bool IsValid();
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefFrame> GetFrame() override;
  CefRefPtr<CefV8Value> GetGlobal() override;
  bool Enter() override;
  bool Exit() override;
  bool IsSame(CefRefPtr<CefV8Context> that) override;

 private:
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  CefRefPtr<CefBrowser> browser_;
  CefRefPtr<CefFrame> frame_;
  CefRefPtr<V8ValueImpl> global_;
  IMPLEMENT_REFCOUNTING(V8ContextImpl);
};

// Keeps a context entered for one scope.
class ScopedContext {
 public:
  explicit ScopedContext(CefRefPtr<CefV8Context> context) : context_(context), entered_(context && context->Enter()) {}
  ~ScopedContext() {
    if (entered_) context_->Exit();
  }
  ScopedContext(const ScopedContext&) = delete;
  ScopedContext& operator=(const ScopedContext&) = delete;
  bool entered() const { return entered_; }

 private:
  CefRefPtr<CefV8Context> context_;
  bool entered_;
};

}  // namespace inproc
