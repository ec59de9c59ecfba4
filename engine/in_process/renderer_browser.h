#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/in_process/page.h"
#include "engine/in_process/page_host.h"
#include "engine/in_process/v8_context_impl.h"
#include "include/cef_browser.h"

namespace inproc {

class RendererBrowser;

// A renderer's view of a frame; it lives on the renderer thread only.
class RendererFrame : public CefFrame {
 public:
  RendererFrame(PageHost* host, RendererBrowser* browser, int64_t identifier, bool is_main)
      : host_(host), browser_(browser), identifier_(identifier), is_main_(is_main) {}

  void Detach();
  CefRefPtr<V8ContextImpl> context() const { return context_; }
  void set_context(CefRefPtr<V8ContextImpl> context) { context_ = context; }
  std::shared_ptr<Page> page() const { return page_; }
  void set_page(std::shared_ptr<Page> page) { page_ = std::move(page); }
  void set_url(const std::wstring& url) { url_ = url; }

  void LoadURL(const CefString& url) override;
  bool IsMain() override { return is_main_; }
  CefString GetURL() override;
  int64_t GetIdentifier() override { return identifier_; }
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefV8Context> GetV8Context() override;
  void SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) override;

 private:
  PageHost* host_;
  RendererBrowser* browser_;
  int64_t identifier_;
  bool is_main_;
  std::wstring url_;
  CefRefPtr<V8ContextImpl> context_;
  std::shared_ptr<Page> page_;
  IMPLEMENT_REFCOUNTING(RendererFrame);
};

// A renderer's view of a browser: no host, navigation by request to the
// browser side.
class RendererBrowser : public CefBrowser {
 public:
  RendererBrowser(PageHost* host, int identifier, int64_t frame_id);

  RendererFrame* main_frame() const { return main_frame_.get(); }
  void Detach();
  CefRefPtr<RendererFrame> AddChildFrame(int64_t identifier);
  std::vector<CefRefPtr<RendererFrame>> TakeChildFrames();
  // The sequence of the main frame's current load.
  int sequence() const { return sequence_; }
  void set_sequence(int sequence) { sequence_ = sequence; }

  CefRefPtr<CefBrowserHost> GetHost() override { return nullptr; }
  void GoBack() override;
  void GoForward() override;
  void Reload() override;
  int GetIdentifier() override { return identifier_; }
  bool IsSame(CefRefPtr<CefBrowser> that) override { return that && that->GetIdentifier() == identifier_; }
  CefRefPtr<CefFrame> GetMainFrame() override;
  CefRefPtr<CefFrame> GetFrame(int64_t identifier) override;

 private:
  void History(int step);

  PageHost* host_;
  int identifier_;
  int sequence_ = 0;
  CefRefPtr<RendererFrame> main_frame_;
  std::vector<CefRefPtr<RendererFrame>> child_frames_;
  IMPLEMENT_REFCOUNTING(RendererBrowser);
};

}  // namespace inproc
