// The engine's process functions: the browser process's reach the engine
// that CefInitialize started, chosen by engine.ini; a renderer's thread
// reaches its own renderer, whichever engine made it, and nothing of the
// browser process, as a renderer process could not.

#include <memory>
#include <mutex>

#include "engine/engine_selection.h"
#include "engine/in_process/engine_context.h"
#include "engine/remote/remote_engine.h"
#include "engine/shared/command_line_impl.h"
#include "engine/shared/engine_adapter.h"
#include "engine/shared/renderer_thread.h"
#include "include/cef_app.h"
#include "include/cef_cookie.h"
#include "include/cef_task.h"
#include "include/cef_v8.h"

namespace {

std::mutex g_engine_lock;
std::shared_ptr<engine::EngineImplementation> g_engine;

std::shared_ptr<engine::EngineImplementation> Running() {
  std::lock_guard<std::mutex> guard(g_engine_lock);
  return g_engine;
}

std::shared_ptr<engine::EngineImplementation> Make(const engine::EngineChoice& choice) {
  if (choice.kind == engine::EngineKind::kReal) {
    engine::EngineConfig config = choice.config;
    return std::make_shared<engine::EngineAdapter<remote::RemoteEngine>>(
        [config](const CefSettings& settings, CefRefPtr<CefApp> app) {
          return remote::RemoteEngine::Initialize(settings, app, config);
        });
  }
  return std::make_shared<engine::EngineAdapter<inproc::EngineContext>>(
      [](const CefSettings& settings, CefRefPtr<CefApp> app) {
        return inproc::EngineContext::Initialize(settings, app);
      });
}

bool InRenderer() { return engine::RendererThread::Current() != nullptr; }

bool IsSubProcess() {
  if (InRenderer()) return true;
  const wchar_t* line = ::GetCommandLineW();
  return !engine::CommandLineImpl::FromString(line ? line : L"")->GetSwitchValue("type").empty();
}

// The running engine, for the browser process's threads only.
std::shared_ptr<engine::EngineImplementation> BrowserSide() { return InRenderer() ? nullptr : Running(); }

}  // namespace

int CefExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp> application, void* windows_sandbox_info) {
  // A starting renderer runs on with the application it is given here;
  // other sub-processes of the engines have no work of their own.
  if (engine::RendererThread::AdoptStartingApplication(application)) return 0;
  return IsSubProcess() ? 0 : -1;
}

bool CefInitialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> application,
                   void* windows_sandbox_info) {
  if (IsSubProcess()) return false;
  engine::EngineChoice choice = engine::NextEngine();
  std::shared_ptr<engine::EngineImplementation> implementation = Make(choice);
  {
    // Known before it starts: its first callbacks may already ask for it.
    std::lock_guard<std::mutex> guard(g_engine_lock);
    if (g_engine) return false;
    g_engine = implementation;
  }
  if (!implementation->Initialize(settings, application)) {
    std::lock_guard<std::mutex> guard(g_engine_lock);
    g_engine.reset();
    return false;
  }
  implementation->Log(LOGSEVERITY_INFO, choice.reason);
  return true;
}

void CefShutdown() {
  std::shared_ptr<engine::EngineImplementation> implementation = BrowserSide();
  if (!implementation) return;
  implementation->Shutdown();
  // Only the thread that started the engine ends it; elsewhere it runs on.
  if (implementation->IsRunning()) return;
  std::lock_guard<std::mutex> guard(g_engine_lock);
  if (g_engine == implementation) g_engine.reset();
}

void CefDoMessageLoopWork() {
  if (std::shared_ptr<engine::EngineImplementation> implementation = BrowserSide()) implementation->DoMessageLoopWork();
}

bool CefPostTask(CefThreadId thread_id, CefRefPtr<CefTask> task) {
  if (!task) return false;
  if (thread_id == TID_UI) {
    std::shared_ptr<engine::EngineImplementation> implementation = BrowserSide();
    return implementation && implementation->PostUi([task] { task->Execute(); });
  }
  // As in a renderer process: only the renderer's own thread can reach it.
  engine::RendererThread* renderer = engine::RendererThread::Current();
  return thread_id == TID_RENDERER && renderer && renderer->Post([task] { task->Execute(); });
}

bool CefCurrentlyOn(CefThreadId thread_id) {
  if (thread_id == TID_RENDERER) return InRenderer();
  if (thread_id != TID_UI) return false;
  std::shared_ptr<engine::EngineImplementation> implementation = BrowserSide();
  return implementation && implementation->OnUi();
}

bool CefBrowserHost::CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client, const CefString& url,
                                   const CefBrowserSettings& settings, CefRefPtr<CefDictionaryValue> extra_info,
                                   CefRefPtr<CefRequestContext> request_context) {
  std::shared_ptr<engine::EngineImplementation> implementation = BrowserSide();
  return implementation && implementation->CreateBrowser(window_info, client, url.ToWString());
}

CefRefPtr<CefCookieManager> CefCookieManager::GetGlobalManager(CefRefPtr<CefCompletionCallback> callback) {
  std::shared_ptr<engine::EngineImplementation> implementation = BrowserSide();
  return implementation ? implementation->GlobalCookieManager(callback) : nullptr;
}

bool CefRegisterExtension(const CefString& extension_name, const CefString& javascript_code,
                          CefRefPtr<CefV8Handler> handler) {
  engine::RendererThread* renderer = engine::RendererThread::Current();
  return renderer && renderer->side()->AddExtension(extension_name.ToWString(), javascript_code.ToWString(), handler);
}

CefRefPtr<CefV8Context> CefV8Context::GetCurrentContext() {
  engine::RendererThread* renderer = engine::RendererThread::Current();
  return renderer ? renderer->CurrentContext() : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateBool(bool value) {
  engine::RendererThread* renderer = engine::RendererThread::Current();
  return renderer ? renderer->side()->CreateBool(value) : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateString(const CefString& value) {
  engine::RendererThread* renderer = engine::RendererThread::Current();
  return renderer ? renderer->side()->CreateString(value.ToWString()) : nullptr;
}
