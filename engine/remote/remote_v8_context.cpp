#include "engine/remote/remote_v8_context.h"

#include "engine/remote/page_bridge.h"
#include "engine/remote/remote_renderer.h"
#include "engine/remote/remote_v8_value.h"

namespace remote {

namespace {
// Releases wait for an evaluation to ride on, but not without bound.
constexpr size_t kReleaseBatch = 256;
}  // namespace

RemoteV8Context::RemoteV8Context(RemoteRenderer* renderer, CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                 const std::string& session, int context_id)
    : renderer_(renderer),
      browser_(browser),
      frame_(frame),
      session_(session),
      context_id_(context_id),
      api_(PageBridge::Api(renderer->token())) {}

bool RemoteV8Context::Evaluate(const std::string& expression, Json* value) {
  if (!alive_ || RemoteRenderer::Current() != renderer_) return false;
  std::vector<int> released;
  {
    std::lock_guard<std::mutex> guard(release_lock_);
    released.swap(released_);
  }
  std::string script = expression;
  if (!released.empty()) script = "(" + api_ + ".free(" + DumpJson(Json(released)) + "), " + expression + ")";
  return renderer_->channel()->Evaluate(session_, context_id_, script, kEvaluateTimeoutMs, value);
}

void RemoteV8Context::Release(int handle) {
  if (!alive_ || handle == 0) return;
  std::vector<int> batch;
  {
    std::lock_guard<std::mutex> guard(release_lock_);
    released_.push_back(handle);
    if (released_.size() < kReleaseBatch) return;
    batch.swap(released_);
  }
  renderer_->channel()->EvaluateLater(session_, context_id_, api_ + ".free(" + DumpJson(Json(batch)) + ")");
}

CefRefPtr<CefBrowser> RemoteV8Context::GetBrowser() { return RemoteRenderer::Current() ? browser_ : nullptr; }

CefRefPtr<CefFrame> RemoteV8Context::GetFrame() { return RemoteRenderer::Current() ? frame_ : nullptr; }

CefRefPtr<CefV8Value> RemoteV8Context::GetGlobal() {
  if (!RemoteRenderer::Current() || !alive_) return nullptr;
  return RemoteV8Value::Global(this).get();
}

bool RemoteV8Context::Enter() {
  RemoteRenderer* renderer = RemoteRenderer::Current();
  if (renderer != renderer_ || !alive_) return false;
  renderer->EnterContext(this);
  return true;
}

bool RemoteV8Context::Exit() {
  RemoteRenderer* renderer = RemoteRenderer::Current();
  return renderer == renderer_ && renderer->ExitContext(this);
}

bool RemoteV8Context::IsSame(CefRefPtr<CefV8Context> that) {
  auto* other = dynamic_cast<RemoteV8Context*>(that.get());
  return other && other->session_ == session_ && other->context_id_ == context_id_;
}

}  // namespace remote
