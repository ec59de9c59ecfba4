#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/remote/page_bridge.h"
#include "engine/remote/remote_v8_context.h"
#include "engine/remote/renderer_channel.h"
#include "engine/remote/renderer_page.h"
#include "engine/shared/list_data.h"
#include "engine/shared/renderer_thread.h"
#include "include/cef_app.h"

namespace remote {

// The real engine's renderer: a main thread of its own on which every
// render-process callback of the application arrives, as in a renderer
// process of the browser. It shares no object with the browser side; both
// hand each other copied data. Its view of pages comes from the browser
// side's reports (contexts made and released, native calls, focus). Its
// application object is its own, made on its thread by the program's
// sub-process entry, as a renderer process would make it.
class RemoteRenderer : public engine::RendererSide {
 public:
  explicit RemoteRenderer(RendererChannel* channel);
  ~RemoteRenderer() override;
  RemoteRenderer(const RemoteRenderer&) = delete;
  RemoteRenderer& operator=(const RemoteRenderer&) = delete;

  // Starts the thread; the application's extensions are known once it
  // returns. |command_line| is the renderer's, with its "--type=renderer".
  bool Start(const engine::ListData& extra_info, const std::wstring& command_line);
  void Stop();
  bool Post(std::function<void(RemoteRenderer&)> task, int64_t delay_ms = 0);
  DWORD thread_id() const { return thread_.thread_id(); }
  RendererChannel* channel() const { return channel_; }
  // The names the pages' script uses. Any thread.
  const std::string& token() const { return token_; }
  const std::string& binding_name() const { return binding_name_; }
  // The script every frame's main world runs first. Any thread.
  std::string PageScript();

  // Reports from the browser side (renderer thread).
  void BrowserCreated(int browser_id, int64_t main_frame_id);
  void BrowserDestroyed(int browser_id);
  void ContextCreated(int browser_id, int64_t frame_id, bool is_main, const std::wstring& url,
                      const std::string& session, int context_id);
  // |context_id| -1: every context of the session.
  void ContextReleased(int browser_id, const std::string& session, int context_id);
  // A page's call of an extension's native function, from the world of
  // that session and context; dropped unless that world is alive here.
  void NativeCall(const std::string& session, int context_id, const std::string& payload);
  void DeliverMessage(int browser_id, int64_t frame_id, const std::wstring& name, const engine::ListData& data);
  void FocusChanged(int browser_id, int64_t frame_id, bool focused, bool editable);

  // engine::RendererSide
  bool AddExtension(const std::wstring& name, const std::wstring& code, CefRefPtr<CefV8Handler> handler) override;
  CefRefPtr<CefV8Value> CreateBool(bool value) override;
  CefRefPtr<CefV8Value> CreateString(const std::wstring& value) override;

 private:
  struct Extension {
    std::wstring name;
    std::wstring code;
    CefRefPtr<CefV8Handler> handler;
    std::vector<std::wstring> natives;
  };

  void ThreadStarted(const engine::ListData& extra_info, const std::wstring& command_line);
  RendererLink link() { return RendererLink{&thread_, channel_}; }
  void ThreadEnding();
  void Release(RendererPageBrowser* browser, RendererPageFrame* frame);
  CefRefPtr<RendererPageBrowser> FindBrowser(int browser_id) const;

  RendererChannel* channel_;
  std::string token_;
  std::string binding_name_;
  engine::RendererThread thread_;
  mutable std::mutex lock_;
  std::string page_script_;
  // Everything below belongs to the renderer thread.
  CefRefPtr<CefApp> app_;
  CefRefPtr<CefRenderProcessHandler> handler_;
  std::map<int, CefRefPtr<RendererPageBrowser>> browsers_;
  std::vector<Extension> extensions_;
  bool accepting_extensions_ = false;
};

}  // namespace remote
