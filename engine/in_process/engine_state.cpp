#include "engine/in_process/engine_state.h"

#include "base/unique_handle.h"
#include "engine/in_process/engine_context.h"

namespace inproc {

DWORD EngineUiThreadId() {
  std::shared_ptr<EngineContext> engine = EngineContext::Get();
  return engine && engine->ui() ? engine->ui()->thread_id() : 0;
}

DWORD RendererThreadId() {
  std::shared_ptr<EngineContext> engine = EngineContext::Get();
  if (!engine) return 0;
  DWORD id = 0;
  HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!done) return 0;
  qbase::UniqueKernelHandle owner(done);
  // The renderer pointer belongs to the engine's UI thread.
  if (engine->ui()->RunsOnCurrentThread()) return engine->renderer() ? engine->renderer()->thread_id() : 0;
  if (!EngineContext::PostUi([&id, done](EngineContext& self) {
        id = self.renderer() ? self.renderer()->thread_id() : 0;
        ::SetEvent(done);
      })) {
    return 0;
  }
  ::WaitForSingleObject(done, 5000);
  return id;
}

int LiveBrowserCount() {
  std::shared_ptr<EngineContext> engine = EngineContext::Get();
  return engine ? engine->live_browsers() : 0;
}

std::vector<std::pair<std::wstring, std::wstring>> BrowserProcessSwitches() {
  std::shared_ptr<EngineContext> engine = EngineContext::Get();
  return engine && engine->command_line() ? engine->command_line()->Switches()
                                          : std::vector<std::pair<std::wstring, std::wstring>>();
}

std::vector<std::wstring> SupportedCookieSchemes(bool* include_defaults) {
  std::vector<std::wstring> result;
  std::shared_ptr<EngineContext> engine = EngineContext::Get();
  if (!engine) return result;
  for (const CefString& scheme : engine->cookie_manager()->schemes()) result.push_back(scheme.ToWString());
  if (include_defaults) *include_defaults = engine->cookie_manager()->include_defaults();
  return result;
}

bool IsHidden(CefRefPtr<CefBrowser> browser) {
  auto* impl = dynamic_cast<BrowserImpl*>(browser.get());
  return impl && impl->hidden();
}

bool IsAudioMuted(CefRefPtr<CefBrowser> browser) {
  auto* impl = dynamic_cast<BrowserImpl*>(browser.get());
  return impl && impl->audio_muted();
}

std::vector<InputEvent> TakeInputEvents(CefRefPtr<CefBrowser> browser) {
  auto* impl = dynamic_cast<BrowserImpl*>(browser.get());
  return impl ? impl->TakeInputEvents() : std::vector<InputEvent>();
}

CefRefPtr<CefCommandLine> CreateCommandLine(const std::wstring& text) {
  return engine::CommandLineImpl::FromString(text).get();
}

std::vector<std::pair<std::wstring, std::wstring>> SwitchesOf(CefRefPtr<CefCommandLine> command_line) {
  auto* impl = dynamic_cast<engine::CommandLineImpl*>(command_line.get());
  return impl ? impl->Switches() : std::vector<std::pair<std::wstring, std::wstring>>();
}

bool CrashRenderer(CefRefPtr<CefBrowser> browser) {
  CefRefPtr<BrowserImpl> impl(dynamic_cast<BrowserImpl*>(browser.get()));
  return impl && EngineContext::PostUi([impl](EngineContext&) { impl->RendererCrashed(); });
}

bool RunInPage(int browser_id, std::function<void(Page&)> task) {
  std::shared_ptr<EngineContext> engine = EngineContext::Get();
  if (!engine || !task) return false;
  return engine->PostToRenderer([browser_id, task](Renderer& renderer) {
    std::shared_ptr<Page> page = renderer.CurrentPage(browser_id);
    if (!page || !page->IsLoaded()) return;
    ScopedContext scope(page->context());
    task(*page);
  });
}

}  // namespace inproc
