#include "engine/remote/remote_engine_state.h"

#include <memory>

#include "base/string_conversions.h"
#include "base/unique_handle.h"
#include "engine/remote/remote_engine.h"

namespace remote {

namespace {

// Runs a task on the engine's UI thread and waits for it.
bool OnUi(const std::function<void(RemoteEngine&)>& task, DWORD timeout_ms = 5000) {
  std::shared_ptr<RemoteEngine> engine = RemoteEngine::Get();
  if (!engine || !engine->ui()) return false;
  if (engine->ui()->RunsOnCurrentThread()) {
    task(*engine);
    return true;
  }
  auto done = std::make_shared<qbase::UniqueKernelHandle>(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!*done) return false;
  if (!RemoteEngine::PostUi([task, done](RemoteEngine& self) {
        task(self);
        ::SetEvent(done->get());
      })) {
    return false;
  }
  return ::WaitForSingleObject(done->get(), timeout_ms) == WAIT_OBJECT_0;
}

std::string SessionOf(CefRefPtr<CefBrowser> browser) {
  if (!browser) return std::string();
  auto session = std::make_shared<std::string>();
  int id = browser->GetIdentifier();
  OnUi([id, session](RemoteEngine& engine) {
    if (CefRefPtr<RemoteBrowser> found = engine.FindBrowser(id)) *session = found->session();
  });
  return *session;
}

}  // namespace

DWORD EngineUiThreadId() {
  std::shared_ptr<RemoteEngine> engine = RemoteEngine::Get();
  return engine && engine->ui() ? engine->ui()->thread_id() : 0;
}

int LiveBrowserCount() {
  std::shared_ptr<RemoteEngine> engine = RemoteEngine::Get();
  return engine ? engine->live_browsers() : 0;
}

bool IsConnected() {
  auto connected = std::make_shared<bool>(false);
  OnUi([connected](RemoteEngine& engine) { *connected = engine.connection() == RemoteEngine::Connection::kConnected; });
  return *connected;
}

std::vector<std::wstring> BrowserProgramArguments() {
  auto arguments = std::make_shared<std::vector<std::wstring>>();
  OnUi([arguments](RemoteEngine& engine) { *arguments = engine.browser_arguments(); });
  return *arguments;
}

unsigned long BrowserProgramId() {
  std::shared_ptr<RemoteEngine> engine = RemoteEngine::Get();
  return engine ? engine->browser_process_id() : 0;
}

int DebuggingPort() {
  auto port = std::make_shared<int>(0);
  OnUi([port](RemoteEngine& engine) { *port = engine.debugging_port(); });
  return *port;
}

bool CrashRenderer(CefRefPtr<CefBrowser> browser) {
  std::string session = SessionOf(browser);
  std::shared_ptr<RemoteEngine> engine = RemoteEngine::Get();
  return !session.empty() && engine && engine->CommandFromAnyThread("Page.crash", Json::object(), session);
}

std::wstring EvaluateInPage(CefRefPtr<CefBrowser> browser, const std::wstring& expression, DWORD timeout_ms) {
  std::string session = SessionOf(browser);
  std::shared_ptr<RemoteEngine> engine = RemoteEngine::Get();
  if (session.empty() || !engine) return std::wstring();
  struct Slot {
    std::mutex lock;
    std::wstring value;
    qbase::UniqueKernelHandle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  };
  auto slot = std::make_shared<Slot>();
  Json params = {{"expression", qbase::UTF16ToUTF8(expression)}, {"returnByValue", true}, {"awaitPromise", true}};
  bool sent = engine->CommandFromAnyThread("Runtime.evaluate", std::move(params), session,
                                           [slot](const Json* result, const std::string&) {
                                             if (result) {
                                               const Json& value = JsonObject(*result, "result");
                                               const Json* inner = JsonMember(value, "value");
                                               std::lock_guard<std::mutex> guard(slot->lock);
                                               if (inner && inner->is_string()) {
                                                 slot->value = qbase::UTF8ToUTF16(inner->get<std::string>());
                                               } else if (inner) {
                                                 slot->value = qbase::UTF8ToUTF16(DumpJson(*inner));
                                               }
                                             }
                                             ::SetEvent(slot->done.get());
                                           });
  if (!sent || ::WaitForSingleObject(slot->done.get(), timeout_ms) != WAIT_OBJECT_0) return std::wstring();
  std::lock_guard<std::mutex> guard(slot->lock);
  return slot->value;
}

std::vector<double> TimeConstantEvaluations(CefRefPtr<CefBrowser> browser, int count) {
  std::vector<double> times;
  std::string session = SessionOf(browser);
  std::shared_ptr<RemoteEngine> engine = RemoteEngine::Get();
  // Shared with the answers, which may come after a wait gave up.
  auto done = std::make_shared<qbase::UniqueKernelHandle>(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (session.empty() || !engine || !*done) return times;
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  for (int i = 0; i < count; ++i) {
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    ::QueryPerformanceCounter(&start);
    Json params = {{"expression", "1"}, {"returnByValue", true}};
    if (!engine->CommandFromAnyThread("Runtime.evaluate", std::move(params), session,
                                      [done](const Json*, const std::string&) { ::SetEvent(done->get()); }) ||
        ::WaitForSingleObject(done->get(), 10000) != WAIT_OBJECT_0) {
      return std::vector<double>();
    }
    ::QueryPerformanceCounter(&end);
    times.push_back(static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart));
  }
  return times;
}

FrameSink::Counts FrameCounts(CefRefPtr<CefBrowser> browser) {
  auto counts = std::make_shared<FrameSink::Counts>();
  if (!browser) return *counts;
  int id = browser->GetIdentifier();
  OnUi([id, counts](RemoteEngine& engine) {
    CefRefPtr<RemoteBrowser> found = engine.FindBrowser(id);
    if (found && found->frame_sink()) *counts = found->frame_sink()->counts();
  });
  return *counts;
}

std::shared_ptr<ViewSurface> ViewSurfaceOf(CefRefPtr<CefBrowser> browser) {
  auto surface = std::make_shared<std::shared_ptr<ViewSurface>>();
  if (!browser) return nullptr;
  int id = browser->GetIdentifier();
  OnUi([id, surface](RemoteEngine& engine) {
    if (CefRefPtr<RemoteBrowser> found = engine.FindBrowser(id)) *surface = found->view_surface();
  });
  return *surface;
}

}  // namespace remote
