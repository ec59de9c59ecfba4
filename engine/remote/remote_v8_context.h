#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/remote/json_util.h"
#include "engine/remote/renderer_channel.h"
#include "engine/shared/renderer_thread.h"
#include "include/cef_v8.h"

namespace remote {

class RemoteV8Value;

// The main script world of one document of one frame, as the protocol knows
// it: an execution context of a page session. Scripts run in it by
// evaluation, which the renderer thread waits for, as a renderer waits for
// its own script engine. It dies with its document.
class RemoteV8Context : public CefV8Context {
 public:
  // |api| is the expression for the engine's object in the page.
  RemoteV8Context(engine::RendererThread* thread, RendererChannel* channel, const std::string& api,
                  CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const std::string& session,
                  int context_id);

  void Invalidate() { alive_ = false; }
  bool alive() const { return alive_; }
  const std::string& session() const { return session_; }
  int context_id() const { return context_id_; }

  // Renderer thread: evaluates an expression in the page and hands back the
  // value it gives (a descriptor of the engine's object). Null when the page
  // is gone, did not answer in time, or the expression could not run.
  bool Evaluate(const std::string& expression, Json* value);
  // The same without waiting; |done| runs on another thread.
  bool EvaluateAsync(const std::string& expression, std::function<void(bool ok, const Json& value)> done);
  // A page value that native code no longer refers to; released with the
  // next evaluation. Any thread.
  void Release(int handle);
  // Numbers for values the engine itself asks the page to keep.
  int NextEngineHandle() { return --engine_handles_; }
  const std::string& api() const { return api_; }

  // CefV8Context
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefFrame> GetFrame() override;
  CefRefPtr<CefV8Value> GetGlobal() override;
  bool Enter() override;
  bool Exit() override;
  bool IsSame(CefRefPtr<CefV8Context> that) override;

  // Time a script of the page may take before the engine gives up on it.
  static constexpr unsigned long kEvaluateTimeoutMs = 10000;

 private:
  bool OnThread() const { return engine::RendererThread::Current() == thread_; }
  // The expression, releasing on its way the values let go of meanwhile.
  std::string WithReleases(const std::string& expression);

  engine::RendererThread* thread_;
  RendererChannel* channel_;
  CefRefPtr<CefBrowser> browser_;
  CefRefPtr<CefFrame> frame_;
  const std::string session_;
  const int context_id_;
  std::string api_;
  std::atomic<bool> alive_{true};
  int engine_handles_ = 0;
  std::mutex release_lock_;
  std::vector<int> released_;
  IMPLEMENT_REFCOUNTING(RemoteV8Context);
};

}  // namespace remote
