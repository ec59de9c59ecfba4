#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/remote/json_util.h"
#include "include/cef_frame.h"

namespace remote {

class PageOwner;

// A page's navigation as the client's handlers see it, built from the
// protocol's events: every document request of every frame passes the
// request handler (a cancel stops it before it starts), and commits, loads,
// failures, addresses, titles and the loading state with the history are
// reported as the engine reports them.
class PageNavigation {
 public:
  explicit PageNavigation(PageOwner* browser) : browser_(browser) {}

  // True when the event was one of navigation's.
  bool Handle(const std::string& session, const std::string& method, const Json& params);
  // A document request of one of the page's frames, held by the browser's
  // interception until the client's request handler has decided.
  void RequestPaused(const Json& params);
  void Navigate(const std::wstring& url);
  void GoBack();
  void GoForward();
  void Reload();
  void TitleReported(const std::wstring& title);
  // The page's renderer or the whole browser is gone: loading has ended.
  void Ended();
  // The document being committed is an error page (no load end for it).
  bool ShowsErrorPage() const { return main_error_page_; }
  const std::wstring& url() const { return url_; }

 private:
  struct History {
    std::vector<int> entries;
    std::vector<std::wstring> urls;
    int current = -1;
    int first = 0;  // the first entry that is no blank start page
  };

  void FrameNavigated(const Json& frame);
  void LifecycleEvent(const Json& params);
  void ReportLoading(bool loading);
  void RefreshHistory(bool then_report_stopped);
  void AddressChanged(const std::wstring& url);
  bool CanGoBack() const { return history_.current > history_.first; }
  bool CanGoForward() const {
    return history_.current >= 0 && history_.current + 1 < static_cast<int>(history_.entries.size());
  }

  PageOwner* browser_;
  std::wstring url_;
  std::wstring reported_address_;
  bool loading_reported_ = false;
  bool main_error_page_ = false;
  bool title_reported_ = false;
  // Network request ids of navigations the client cancelled.
  std::set<std::string> cancelled_;
  // HTTP status and error text of document loads, by loader id.
  std::map<std::string, int> statuses_;
  std::map<std::string, std::string> errors_;
  // The loader and error-page state of each frame's current document.
  std::map<std::string, std::string> frame_loaders_;
  std::set<std::string> error_frames_;
  History history_;
  int history_generation_ = 0;
};

// The engine's number for a network error text such as "net::ERR_FAILED".
int NetErrorCode(const std::string& error_text);

}  // namespace remote
