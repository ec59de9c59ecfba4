#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/shared/engine_implementation.h"

namespace engine {

// Either engine behind the process functions. |Engine| is the running
// engine's class: Get, PostUi and Shutdown of its own, its UI thread, log,
// cookie manager and browsers.
template <typename Engine>
class EngineAdapter : public EngineImplementation {
 public:
  using Starter = std::function<bool(const CefSettings& settings, CefRefPtr<CefApp> app)>;

  explicit EngineAdapter(Starter start) : start_(std::move(start)) {}

  bool Initialize(const CefSettings& settings, CefRefPtr<CefApp> app) override { return start_(settings, app); }

  void Shutdown() override { Engine::Shutdown(); }

  bool IsRunning() override { return Engine::Get() != nullptr; }

  void Log(cef_log_severity_t severity, const std::wstring& text) override {
    if (std::shared_ptr<Engine> engine = Engine::Get()) engine->log().Write(severity, text);
  }

  void DoMessageLoopWork() override {
    std::shared_ptr<Engine> engine = Engine::Get();
    if (engine && engine->ui()) engine->ui()->DoWork();
  }

  bool PostUi(qbase::Closure task) override {
    return task && Engine::PostUi([task](Engine&) { task(); });
  }

  bool OnUi() override {
    std::shared_ptr<Engine> engine = Engine::Get();
    return engine && engine->ui() && engine->ui()->RunsOnCurrentThread();
  }

  bool CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client, const std::wstring& url) override {
    std::shared_ptr<Engine> engine = Engine::Get();
    if (!engine || engine->shutting_down() || !client) return false;
    int id = engine->NextBrowserId();
    return Engine::PostUi([id, window_info, client, url](Engine& self) {
      self.CreateBrowserOnUi(id, window_info, client, url, false);
    });
  }

  CefRefPtr<CefCookieManager> GlobalCookieManager(CefRefPtr<CefCompletionCallback> callback) override {
    std::shared_ptr<Engine> engine = Engine::Get();
    if (!engine) return nullptr;
    if (callback) Engine::PostUi([callback](Engine&) { callback->OnComplete(); });
    return engine->cookie_manager().get();
  }

 private:
  Starter start_;
};

}  // namespace engine
