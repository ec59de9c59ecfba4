#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/shared/list_data.h"
#include "engine/remote/page_bridge.h"
#include "engine/remote/remote_v8_context.h"
#include "engine/remote/renderer_channel.h"
#include "engine/remote/renderer_page.h"
#include "include/cef_app.h"

namespace qbase {
class FrameworkThread;
class MessageLoopProxy;
}  // namespace qbase

namespace remote {

// The real engine's renderer: a main thread of its own on which every
// render-process callback of the application arrives, as in a renderer
// process of the browser. It shares no object with the browser side; both
// hand each other copied data. Its view of pages comes from the browser
// side's reports (contexts made and released, native calls, focus).
class RemoteRenderer {
 public:
  RemoteRenderer(CefRefPtr<CefApp> app, RendererChannel* channel);
  ~RemoteRenderer();
  RemoteRenderer(const RemoteRenderer&) = delete;
  RemoteRenderer& operator=(const RemoteRenderer&) = delete;

  // The renderer whose main thread is the calling thread, or null.
  static RemoteRenderer* Current();

  // Starts the thread; the application's extensions are known once it returns.
  bool Start(const engine::ListData& extra_info);
  void Stop();
  bool Post(std::function<void(RemoteRenderer&)> task, int64_t delay_ms = 0);
  DWORD thread_id() const;
  RendererChannel* channel() const { return channel_; }
  // The names the pages' script uses. Any thread.
  const std::string& token() const { return token_; }
  // The script every frame's main world runs first. Any thread.
  std::string PageScript();

  // Reports from the browser side (renderer thread).
  void BrowserCreated(int browser_id, int64_t main_frame_id);
  void BrowserDestroyed(int browser_id);
  void ContextCreated(int browser_id, int64_t frame_id, bool is_main, const std::wstring& url,
                      const std::string& session, int context_id);
  // |context_id| -1: every context of the session.
  void ContextReleased(int browser_id, const std::string& session, int context_id);
  void NativeCall(int browser_id, const std::string& session, int context_id, const std::string& payload);
  void DeliverMessage(int browser_id, int64_t frame_id, const std::wstring& name, const engine::ListData& data);
  void FocusChanged(int browser_id, int64_t frame_id, bool focused, bool editable);

  // Renderer thread only.
  CefRefPtr<RemoteV8Context> CurrentContext() const;
  void EnterContext(RemoteV8Context* context);
  bool ExitContext(RemoteV8Context* context);
  bool AddExtension(const std::wstring& name, const std::wstring& code, CefRefPtr<CefV8Handler> handler);

 private:
  struct Extension {
    std::wstring name;
    std::wstring code;
    CefRefPtr<CefV8Handler> handler;
    std::vector<std::wstring> natives;
  };

  void ThreadStarted(const engine::ListData& extra_info);
  void ThreadEnding();
  void Release(RendererPageBrowser* browser, RendererPageFrame* frame);
  CefRefPtr<RendererPageBrowser> FindBrowser(int browser_id) const;

  CefRefPtr<CefApp> app_;
  RendererChannel* channel_;
  std::string token_;
  friend class RemoteRendererThread;
  std::unique_ptr<qbase::FrameworkThread> thread_;
  mutable std::mutex lock_;
  std::shared_ptr<qbase::MessageLoopProxy> proxy_;
  DWORD thread_id_ = 0;
  std::string page_script_;
  // Everything below belongs to the renderer thread.
  CefRefPtr<CefRenderProcessHandler> handler_;
  std::map<int, CefRefPtr<RendererPageBrowser>> browsers_;
  std::vector<CefRefPtr<RemoteV8Context>> entered_;
  std::vector<Extension> extensions_;
  bool accepting_extensions_ = false;
};

}  // namespace remote
