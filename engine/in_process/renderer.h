#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/shared/list_data.h"
#include "engine/in_process/page.h"
#include "engine/in_process/renderer_host.h"
#include "engine/in_process/v8_context_impl.h"
#include "include/cef_app.h"

namespace qbase {
class FrameworkThread;
class MessageLoopProxy;
}  // namespace qbase

namespace inproc {

class RendererBrowser;
class RendererFrame;

// A renderer: its own main thread on which every render-process callback
// of the application arrives. It shares nothing with the browser side;
// both post plain copied data to each other. Its application object is its
// own, made on its thread by the program's sub-process entry, as a renderer
// process would make it.
class Renderer {
 public:
  // Posts a call to the browser side; false once it is gone.
  using HostPoster = std::function<bool(std::function<void(RendererHost&)>)>;

  explicit Renderer(HostPoster to_host);
  ~Renderer();
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  // The renderer whose main thread is the calling thread, or null.
  static Renderer* Current();
  // While the sub-process entry runs on a starting renderer's thread: takes
  // the application object that CefExecuteProcess was given. False
  // anywhere else.
  static bool AdoptApplication(CefRefPtr<CefApp> app);

  // |command_line| is the renderer's, with its "--type=renderer".
  bool Start(const engine::ListData& extra_info, const std::wstring& command_line);
  // Lets queued work finish, then ends the thread.
  void Stop();
  bool Post(std::function<void(Renderer&)> task, int64_t delay_ms = 0);
  DWORD thread_id() const;

  // Commands from the browser side.
  void BrowserCreated(int browser_id, int64_t frame_id);
  void Load(int browser_id, const std::wstring& url, int sequence);
  void DeliverMessage(int browser_id, int64_t frame_id, const std::wstring& name, const engine::ListData& data);
  void BrowserDestroyed(int browser_id);

  // Renderer thread only.
  CefRefPtr<V8ContextImpl> CurrentContext() const;
  void EnterContext(V8ContextImpl* context);
  bool ExitContext(V8ContextImpl* context);
  bool AddExtension(const std::wstring& name, const std::wstring& code, CefRefPtr<CefV8Handler> handler);
  CefRefPtr<CefV8Handler> FindNative(const std::wstring& function_name) const;
  std::wstring ExtensionText(const std::wstring& name) const;
  std::shared_ptr<Page> CurrentPage(int browser_id) const;
  // A child frame of a browser's main frame, loading |url|.
  CefRefPtr<CefFrame> AddChildFrame(int browser_id, const std::wstring& url);
  CefRefPtr<RendererBrowser> FindBrowser(int browser_id) const;
  CefRefPtr<CefRenderProcessHandler> handler() const { return handler_; }
  bool PostToHost(std::function<void(RendererHost&)> call) { return to_host_(std::move(call)); }

 private:
  struct Extension {
    std::wstring name;
    std::wstring code;
    CefRefPtr<CefV8Handler> handler;
    std::vector<std::wstring> natives;
  };

  void ThreadStarted(const engine::ListData& extra_info, const std::wstring& command_line);
  // The renderer's process ends: what it made goes, on its own thread.
  void ThreadEnding();
  void ReleaseContext(RendererBrowser* browser);
  void ReleaseFrame(RendererBrowser* browser, RendererFrame* frame);
  std::shared_ptr<Page> StartPage(RendererBrowser* browser, RendererFrame* frame, const std::wstring& url,
                                  const PageScript& script);

  HostPoster to_host_;
  friend class RendererThread;
  std::unique_ptr<qbase::FrameworkThread> thread_;
  // Other threads post through the proxy; it is dropped before the thread stops.
  mutable std::mutex proxy_lock_;
  std::shared_ptr<qbase::MessageLoopProxy> proxy_;
  DWORD thread_id_ = 0;
  // Everything below belongs to the renderer thread.
  CefRefPtr<CefApp> app_;
  std::wstring command_line_;
  CefRefPtr<CefRenderProcessHandler> handler_;
  std::map<int, CefRefPtr<RendererBrowser>> browsers_;
  std::vector<CefRefPtr<V8ContextImpl>> entered_;
  std::vector<Extension> extensions_;
  bool accepting_extensions_ = false;
  // Child frames are numbered by the renderer, apart from the main frames.
  int64_t next_child_frame_id_ = 0x40000000;
};

}  // namespace inproc
