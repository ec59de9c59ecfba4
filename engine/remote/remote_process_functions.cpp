// The engine's process functions, served by the real engine.

#include "base/path_util.h"
#include "engine/shared/command_line_impl.h"
#include "engine/remote/remote_engine.h"
#include "engine/remote/remote_v8_value.h"
#include "include/cef_app.h"
#include "include/cef_cookie.h"
#include "include/cef_task.h"
#include "include/cef_v8.h"

namespace {

bool IsSubProcess() {
  const wchar_t* line = ::GetCommandLineW();
  CefRefPtr<engine::CommandLineImpl> command_line = engine::CommandLineImpl::FromString(line ? line : L"");
  return !command_line->GetSwitchValue("type").empty();
}

}  // namespace

int CefExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp> application, void* windows_sandbox_info) {
  return IsSubProcess() ? 0 : -1;
}

bool CefInitialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> application,
                   void* windows_sandbox_info) {
  if (IsSubProcess()) return false;
  engine::EngineConfig config = engine::EngineConfig::Read(qbase::ModuleDirectory() + L"cef\\engine.ini");
  return remote::RemoteEngine::Initialize(settings, application, config);
}

void CefShutdown() { remote::RemoteEngine::Shutdown(); }

void CefDoMessageLoopWork() {
  std::shared_ptr<remote::RemoteEngine> engine = remote::RemoteEngine::Get();
  if (engine && engine->ui()) engine->ui()->DoWork();
}

bool CefPostTask(CefThreadId thread_id, CefRefPtr<CefTask> task) {
  if (!task) return false;
  if (thread_id == TID_UI) return remote::RemoteEngine::PostUi([task](remote::RemoteEngine&) { task->Execute(); });
  // As in a renderer process: only the renderer's own thread can reach it.
  remote::RemoteRenderer* renderer = remote::RemoteRenderer::Current();
  return thread_id == TID_RENDERER && renderer && renderer->Post([task](remote::RemoteRenderer&) { task->Execute(); });
}

bool CefCurrentlyOn(CefThreadId thread_id) {
  if (thread_id == TID_RENDERER) return remote::RemoteRenderer::Current() != nullptr;
  if (thread_id != TID_UI) return false;
  std::shared_ptr<remote::RemoteEngine> engine = remote::RemoteEngine::Get();
  return engine && engine->ui() && engine->ui()->RunsOnCurrentThread();
}

bool CefBrowserHost::CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client, const CefString& url,
                                   const CefBrowserSettings& settings, CefRefPtr<CefDictionaryValue> extra_info,
                                   CefRefPtr<CefRequestContext> request_context) {
  std::shared_ptr<remote::RemoteEngine> engine = remote::RemoteEngine::Get();
  if (!engine || engine->shutting_down() || !client) return false;
  int id = engine->NextBrowserId();
  std::wstring address = url.ToWString();
  return remote::RemoteEngine::PostUi([id, window_info, client, address](remote::RemoteEngine& self) {
    self.CreateBrowserOnUi(id, window_info, client, address, false);
  });
}

CefRefPtr<CefCookieManager> CefCookieManager::GetGlobalManager(CefRefPtr<CefCompletionCallback> callback) {
  std::shared_ptr<remote::RemoteEngine> engine = remote::RemoteEngine::Get();
  if (!engine) return nullptr;
  if (callback) remote::RemoteEngine::PostUi([callback](remote::RemoteEngine&) { callback->OnComplete(); });
  return engine->cookie_manager().get();
}

bool CefRegisterExtension(const CefString& extension_name, const CefString& javascript_code,
                          CefRefPtr<CefV8Handler> handler) {
  remote::RemoteRenderer* renderer = remote::RemoteRenderer::Current();
  return renderer && renderer->AddExtension(extension_name.ToWString(), javascript_code.ToWString(), handler);
}

CefRefPtr<CefV8Context> CefV8Context::GetCurrentContext() {
  remote::RemoteRenderer* renderer = remote::RemoteRenderer::Current();
  return renderer ? CefRefPtr<CefV8Context>(renderer->CurrentContext().get()) : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateBool(bool value) {
  return remote::RemoteRenderer::Current() ? CefRefPtr<CefV8Value>(remote::RemoteV8Value::Bool(value).get()) : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateString(const CefString& value) {
  return remote::RemoteRenderer::Current() ? CefRefPtr<CefV8Value>(remote::RemoteV8Value::String(value).get())
                                           : nullptr;
}
