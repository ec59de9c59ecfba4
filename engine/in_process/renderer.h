#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/in_process/page.h"
#include "engine/in_process/page_host.h"
#include "engine/in_process/renderer_browser.h"
#include "engine/in_process/renderer_host.h"
#include "engine/in_process/v8_context_impl.h"
#include "engine/shared/list_data.h"
#include "engine/shared/renderer_thread.h"
#include "include/cef_app.h"

namespace inproc {

// A renderer: its own main thread on which every render-process callback
// of the application arrives. It shares nothing with the browser side;
// both post plain copied data to each other. Its application object is its
// own, made on its thread by the program's sub-process entry, as a renderer
// process would make it.
class Renderer : public PageHost, public engine::RendererSide {
 public:
  // Posts a call to the browser side; false once it is gone.
  using HostPoster = std::function<bool(std::function<void(RendererHost&)>)>;

  explicit Renderer(HostPoster to_host);
  ~Renderer() override;
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  // |command_line| is the renderer's, with its "--type=renderer".
  bool Start(const engine::ListData& extra_info, const std::wstring& command_line);
  // Lets queued work finish, then ends the thread.
  void Stop();
  bool Post(std::function<void(Renderer&)> task, int64_t delay_ms = 0);
  DWORD thread_id() const { return thread_.thread_id(); }

  // Commands from the browser side.
  void BrowserCreated(int browser_id, int64_t frame_id);
  void Load(int browser_id, const std::wstring& url, int sequence);
  void DeliverMessage(int browser_id, int64_t frame_id, const std::wstring& name, const engine::ListData& data);
  void BrowserDestroyed(int browser_id);
  // The browser's page died with its renderer: its contexts go.
  void PageCrashed(int browser_id);

  // Renderer thread only.
  std::shared_ptr<Page> CurrentPage(int browser_id) const;
  CefRefPtr<RendererBrowser> FindBrowser(int browser_id) const;

  // PageHost
  bool OnThread() const override { return engine::RendererThread::Current() == &thread_; }
  bool PostToHost(std::function<void(RendererHost&)> call) override { return to_host_(std::move(call)); }
  bool PostTask(std::function<void()> task, int64_t delay_ms) override;
  CefRefPtr<CefV8Handler> FindNative(const std::wstring& function_name) const override;
  std::wstring ExtensionText(const std::wstring& extension_name) const override;
  CefRefPtr<CefFrame> AddChildFrame(int browser_id, const std::wstring& url) override;
  int LoadSequence(int browser_id) const override;
  void FocusedNodeChanged(int browser_id, CefRefPtr<CefFrame> frame, CefRefPtr<CefDOMNode> node) override;

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
  // The renderer's process ends: what it made goes, on its own thread.
  void ThreadEnding();
  void ReleaseContext(RendererBrowser* browser);
  void ReleaseFrame(RendererBrowser* browser, RendererFrame* frame);
  std::shared_ptr<Page> StartPage(RendererBrowser* browser, RendererFrame* frame, const std::wstring& url,
                                  const PageScript& script);

  HostPoster to_host_;
  engine::RendererThread thread_;
  // Everything below belongs to the renderer thread.
  CefRefPtr<CefApp> app_;
  CefRefPtr<CefRenderProcessHandler> handler_;
  std::map<int, CefRefPtr<RendererBrowser>> browsers_;
  std::vector<Extension> extensions_;
  bool accepting_extensions_ = false;
  // Child frames are numbered by the renderer, apart from the main frames.
  int64_t next_child_frame_id_ = 0x40000000;
};

}  // namespace inproc
