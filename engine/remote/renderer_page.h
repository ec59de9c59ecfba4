#pragma once

#include <map>
#include <string>

#include "engine/remote/remote_v8_context.h"
#include "engine/remote/renderer_channel.h"
#include "engine/shared/renderer_thread.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"

namespace remote {

class RendererPageBrowser;

// What a renderer's views of browsers and frames reach: its thread, on
// which alone they work, and its way to the rest of the engine.
struct RendererLink {
  engine::RendererThread* thread = nullptr;
  RendererChannel* channel = nullptr;
  bool OnThread() const { return thread && engine::RendererThread::Current() == thread; }
};

// A renderer's view of a frame of the real engine. It lives on the renderer
// thread; the browser side has its own objects for the same frame, equal by
// number.
class RendererPageFrame : public CefFrame {
 public:
  RendererPageFrame(RendererLink link, RendererPageBrowser* browser, int64_t identifier, bool is_main)
      : link_(link), browser_(browser), identifier_(identifier), is_main_(is_main) {}

  void Detach();
  CefRefPtr<RemoteV8Context> context() const { return context_; }
  void set_context(CefRefPtr<RemoteV8Context> context) { context_ = context; }
  void set_url(const std::wstring& url) { url_ = url; }

  void LoadURL(const CefString& url) override;
  bool IsMain() override { return is_main_; }
  CefString GetURL() override;
  int64_t GetIdentifier() override { return identifier_; }
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefV8Context> GetV8Context() override;
  void SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) override;

 private:
  RendererLink link_;
  RendererPageBrowser* browser_;
  const int64_t identifier_;
  const bool is_main_;
  std::wstring url_;
  CefRefPtr<RemoteV8Context> context_;
  IMPLEMENT_REFCOUNTING(RendererPageFrame);
};

// A renderer's view of a browser: no host, navigation by request to the
// browser side.
class RendererPageBrowser : public CefBrowser {
 public:
  RendererPageBrowser(RendererLink link, int identifier, int64_t main_frame_id);

  void Detach();
  RendererPageFrame* main_frame() const { return main_frame_.get(); }
  // The frame of a number, made on first sight.
  CefRefPtr<RendererPageFrame> FrameFor(int64_t identifier, bool is_main);
  const std::map<int64_t, CefRefPtr<RendererPageFrame>>& frames() const { return frames_; }

  CefRefPtr<CefBrowserHost> GetHost() override { return nullptr; }
  void GoBack() override;
  void GoForward() override;
  void Reload() override;
  int GetIdentifier() override { return identifier_; }
  bool IsSame(CefRefPtr<CefBrowser> that) override { return that && that->GetIdentifier() == identifier_; }
  CefRefPtr<CefFrame> GetMainFrame() override { return main_frame_.get(); }
  CefRefPtr<CefFrame> GetFrame(int64_t identifier) override;

 private:
  void History(int step);

  RendererLink link_;
  const int identifier_;
  CefRefPtr<RendererPageFrame> main_frame_;
  std::map<int64_t, CefRefPtr<RendererPageFrame>> frames_;
  IMPLEMENT_REFCOUNTING(RendererPageBrowser);
};

}  // namespace remote
