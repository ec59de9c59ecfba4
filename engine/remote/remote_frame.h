#pragma once

#include <mutex>
#include <string>

#include "include/cef_browser.h"
#include "include/cef_frame.h"

namespace remote {

class PageOwner;

// A frame of a page as the browser process sees it: the main frame or one
// of its sub-frames, known to the protocol by a text identifier and to the
// client by a number that stays the frame's for its whole life.
class RemoteFrame : public CefFrame {
 public:
  RemoteFrame(PageOwner* browser, int64_t identifier, const std::string& protocol_id, bool is_main);

  // Once the browser has closed, the frame no longer reaches it.
  void DetachBrowser();
  void SetUrl(const std::wstring& url);
  const std::string& protocol_id() const { return protocol_id_; }
  // The protocol frame this one is inside; empty for the main frame.
  std::string parent_id();
  void set_parent_id(const std::string& parent);

  void LoadURL(const CefString& url) override;
  bool IsMain() override { return is_main_; }
  CefString GetURL() override;
  int64_t GetIdentifier() override { return identifier_; }
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefV8Context> GetV8Context() override { return nullptr; }
  void SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) override;

 private:
  const int64_t identifier_;
  const std::string protocol_id_;
  const bool is_main_;
  std::mutex lock_;
  CefRefPtr<PageOwner> browser_;
  std::wstring url_;
  std::string parent_id_;
  IMPLEMENT_REFCOUNTING(RemoteFrame);
};

}  // namespace remote
