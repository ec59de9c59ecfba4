#include "engine/remote/page_navigation.h"

#include "base/string_conversions.h"
#include "engine/remote/page_owner.h"
#include "engine/remote/remote_frame.h"
#include "engine/remote/page_services.h"
#include "engine/remote/remote_renderer.h"

namespace remote {

namespace {

// Loads remembered per loader; older ones are forgotten past this many.
constexpr size_t kMaxRememberedLoads = 64;

class RemoteRequest : public CefRequest {
 public:
  explicit RemoteRequest(const std::wstring& url) : url_(url) {}
  CefString GetURL() override { return url_; }

 private:
  std::wstring url_;
  IMPLEMENT_REFCOUNTING(RemoteRequest);
};

std::wstring Wide(const std::string& text) { return qbase::UTF8ToUTF16(text); }

template <typename Map>
void Bound(Map* map) {
  if (map->size() > kMaxRememberedLoads) map->clear();
}

}  // namespace

int NetErrorCode(const std::string& text) {
  struct Entry {
    const char* name;
    int code;
  };
  static const Entry kErrors[] = {
      {"ERR_FAILED", -2},
      {"ERR_ABORTED", -3},
      {"ERR_INVALID_ARGUMENT", -4},
      {"ERR_FILE_NOT_FOUND", -6},
      {"ERR_TIMED_OUT", -7},
      {"ERR_FILE_TOO_BIG", -8},
      {"ERR_ACCESS_DENIED", -10},
      {"ERR_INSUFFICIENT_RESOURCES", -12},
      {"ERR_OUT_OF_MEMORY", -13},
      {"ERR_BLOCKED_BY_CLIENT", -20},
      {"ERR_BLOCKED_BY_RESPONSE", -27},
      {"ERR_CONNECTION_CLOSED", -100},
      {"ERR_CONNECTION_RESET", -101},
      {"ERR_CONNECTION_REFUSED", -102},
      {"ERR_CONNECTION_ABORTED", -103},
      {"ERR_CONNECTION_FAILED", -104},
      {"ERR_NAME_NOT_RESOLVED", -105},
      {"ERR_INTERNET_DISCONNECTED", -106},
      {"ERR_SSL_PROTOCOL_ERROR", -107},
      {"ERR_ADDRESS_INVALID", -108},
      {"ERR_ADDRESS_UNREACHABLE", -109},
      {"ERR_CONNECTION_TIMED_OUT", -118},
      {"ERR_NAME_RESOLUTION_FAILED", -137},
      {"ERR_CERT_COMMON_NAME_INVALID", -200},
      {"ERR_CERT_DATE_INVALID", -201},
      {"ERR_CERT_AUTHORITY_INVALID", -202},
      {"ERR_INVALID_URL", -300},
      {"ERR_DISALLOWED_URL_SCHEME", -301},
      {"ERR_UNKNOWN_URL_SCHEME", -302},
      {"ERR_TOO_MANY_REDIRECTS", -310},
      {"ERR_UNSAFE_REDIRECT", -311},
      {"ERR_UNSAFE_PORT", -312},
      {"ERR_INVALID_RESPONSE", -320},
      {"ERR_EMPTY_RESPONSE", -324},
      {"ERR_RESPONSE_HEADERS_TOO_BIG", -325},
      {"ERR_CONTENT_LENGTH_MISMATCH", -354},
      {"ERR_INCOMPLETE_CHUNKED_ENCODING", -355},
      {"ERR_HTTP_RESPONSE_CODE_FAILURE", -379},
  };
  std::string name = text.compare(0, 5, "net::") == 0 ? text.substr(5) : text;
  for (const Entry& entry : kErrors) {
    if (name == entry.name) return entry.code;
  }
  return -2;
}

bool PageNavigation::Handle(const std::string& session, const std::string& method, const Json& params) {
  if (method == "Network.responseReceived") {
    if (JsonString(params, "type") == "Document") {
      Bound(&statuses_);
      statuses_[JsonString(params, "loaderId")] = static_cast<int>(JsonInt(JsonObject(params, "response"), "status"));
    }
  } else if (method == "Network.loadingFailed") {
    if (JsonString(params, "type") != "Document") return true;
    std::string request = JsonString(params, "requestId");
    // A navigation the client cancelled never started, as far as it knows.
    if (cancelled_.erase(request)) return true;
    Bound(&errors_);
    errors_[request] = JsonString(params, "errorText", "net::ERR_FAILED");
  } else if (method == "Page.frameAttached") {
    browser_->FrameFor(JsonString(params, "frameId"), JsonString(params, "parentFrameId"));
  } else if (method == "Page.frameDetached") {
    // A frame moving to another process lives on there, the same frame.
    if (JsonString(params, "reason") != "swap") {
      std::string frame = JsonString(params, "frameId");
      frame_loaders_.erase(frame);
      error_frames_.erase(frame);
      browser_->ForgetFrame(frame);
    }
  } else if (method == "Page.frameNavigated") {
    FrameNavigated(JsonObject(params, "frame"));
  } else if (method == "Page.navigatedWithinDocument") {
    CefRefPtr<RemoteFrame> frame = browser_->FrameFor(JsonString(params, "frameId"));
    std::wstring url = Wide(JsonString(params, "url"));
    frame->SetUrl(url);
    if (frame->IsMain()) {
      url_ = url;
      AddressChanged(url);
    }
  } else if (method == "Page.lifecycleEvent") {
    LifecycleEvent(params);
  } else if (method == "Page.frameStoppedLoading") {
    if (browser_->FrameFor(JsonString(params, "frameId"))->IsMain() && loading_reported_) RefreshHistory(true);
  } else {
    return false;
  }
  return true;
}

void PageNavigation::RequestPaused(const Json& params) {
  std::string request_id = JsonString(params, "requestId");
  std::shared_ptr<PageServices> engine = PageServices::Running();
  if (!engine) return;
  auto decide = [&engine, &request_id](bool allow) {
    // The interception is the browser's own, not the page's session's.
    if (allow) {
      engine->Command("Fetch.continueRequest", {{"requestId", request_id}}, std::string());
    } else {
      engine->Command("Fetch.failRequest", {{"requestId", request_id}, {"errorReason", "Aborted"}}, std::string());
    }
  };
  if (JsonString(params, "resourceType") != "Document") {
    decide(true);
    return;
  }
  const Json& request = JsonObject(params, "request");
  std::wstring url = Wide(JsonString(request, "url") + JsonString(request, "urlFragment"));
  bool redirect = !JsonString(params, "redirectedRequestId").empty();
  CefRefPtr<RemoteFrame> frame = browser_->FrameFor(JsonString(params, "frameId"));
  CefRefPtr<CefClient> client = browser_->client();
  CefRefPtr<CefRequestHandler> handler = client ? client->GetRequestHandler() : nullptr;
  bool cancel = handler && handler->OnBeforeBrowse(browser_, frame.get(), new RemoteRequest(url),
                                                   JsonBool(request, "hasUserGesture"), redirect);
  if (!browser_->IsAlive()) cancel = true;
  if (cancel) {
    std::string network_id = JsonString(params, "networkId");
    if (!network_id.empty()) cancelled_.insert(network_id);
    if (cancelled_.size() > kMaxRememberedLoads) cancelled_.erase(cancelled_.begin());
    decide(false);
    return;
  }
  decide(true);
  if (frame->IsMain() && !loading_reported_) ReportLoading(true);
}

void PageNavigation::FrameNavigated(const Json& description) {
  std::string frame_id = JsonString(description, "id");
  std::string loader = JsonString(description, "loaderId");
  std::string unreachable = JsonString(description, "unreachableUrl");
  bool error_page = !unreachable.empty();
  std::wstring url = Wide(error_page ? unreachable : JsonString(description, "url") +
                                                         JsonString(description, "urlFragment"));
  CefRefPtr<RemoteFrame> frame = browser_->FrameFor(frame_id, JsonString(description, "parentId"));
  frame->SetUrl(url);
  frame_loaders_[frame_id] = loader;
  if (error_page) {
    error_frames_.insert(frame_id);
  } else {
    error_frames_.erase(frame_id);
  }
  CefRefPtr<CefClient> client = browser_->client();
  CefRefPtr<CefLoadHandler> load = client ? client->GetLoadHandler() : nullptr;
  if (frame->IsMain()) {
    url_ = url;
    main_error_page_ = error_page;
    title_reported_ = false;
    // Navigations that need no request (blank pages, history kept in
    // memory) start loading here.
    if (!loading_reported_) ReportLoading(true);
    AddressChanged(url);
    RefreshHistory(false);
  }
  if (load) load->OnLoadStart(browser_, frame.get(), TT_EXPLICIT);
  if (error_page && browser_->IsAlive()) {
    auto error = errors_.find(loader);
    std::string text = error != errors_.end() ? error->second : "net::ERR_FAILED";
    if (load) {
      load->OnLoadError(browser_, frame.get(), static_cast<cef_errorcode_t>(NetErrorCode(text)), Wide(text), url);
    }
    std::shared_ptr<PageServices> engine = PageServices::Running();
    if (engine) engine->log().Write(LOGSEVERITY_WARNING, L"load failed: " + url + L" " + Wide(text));
  }
}

void PageNavigation::LifecycleEvent(const Json& params) {
  if (JsonString(params, "name") != "load") return;
  std::string frame_id = JsonString(params, "frameId");
  std::string loader = JsonString(params, "loaderId");
  auto current = frame_loaders_.find(frame_id);
  // A load of a document that is no longer the frame's reports nothing.
  if (current == frame_loaders_.end() || current->second != loader) return;
  if (error_frames_.count(frame_id)) return;
  CefRefPtr<RemoteFrame> frame = browser_->FrameFor(frame_id);
  auto status = statuses_.find(loader);
  // Documents that came without a response of their own (blank pages,
  // data addresses) loaded fine.
  int code = status != statuses_.end() && status->second > 0 ? status->second : 200;
  if (frame->IsMain() && !title_reported_) {
    CefRefPtr<CefClient> client = browser_->client();
    CefRefPtr<CefDisplayHandler> display = client ? client->GetDisplayHandler() : nullptr;
    title_reported_ = true;
    if (display) display->OnTitleChange(browser_, url_);
  }
  CefRefPtr<CefClient> client = browser_->client();
  CefRefPtr<CefLoadHandler> load = client ? client->GetLoadHandler() : nullptr;
  if (load) load->OnLoadEnd(browser_, frame.get(), code);
}

void PageNavigation::TitleReported(const std::wstring& title) {
  // An error page's title is the browser's, not the site's.
  if (main_error_page_) return;
  // A page without a title is known by its address.
  if (title.empty() && !title_reported_) return;
  title_reported_ = true;
  CefRefPtr<CefClient> client = browser_->client();
  CefRefPtr<CefDisplayHandler> display = client ? client->GetDisplayHandler() : nullptr;
  if (display) display->OnTitleChange(browser_, title.empty() ? url_ : title);
}

void PageNavigation::AddressChanged(const std::wstring& url) {
  if (url == reported_address_) return;
  reported_address_ = url;
  CefRefPtr<CefClient> client = browser_->client();
  CefRefPtr<CefDisplayHandler> display = client ? client->GetDisplayHandler() : nullptr;
  if (display) display->OnAddressChange(browser_, browser_->main_frame().get(), url);
}

void PageNavigation::ReportLoading(bool loading) {
  loading_reported_ = loading;
  CefRefPtr<CefClient> client = browser_->client();
  CefRefPtr<CefLoadHandler> load = client ? client->GetLoadHandler() : nullptr;
  if (load) load->OnLoadingStateChange(browser_, loading, CanGoBack(), CanGoForward());
}

void PageNavigation::RefreshHistory(bool then_report_stopped) {
  std::shared_ptr<PageServices> engine = PageServices::Running();
  if (!engine || !browser_->attached()) {
    if (then_report_stopped && loading_reported_) ReportLoading(false);
    return;
  }
  CefRefPtr<PageOwner> owner(browser_);
  int generation = ++history_generation_;
  bool sent = engine->Command(
      "Page.getNavigationHistory", Json::object(), browser_->session(),
      [owner, generation, then_report_stopped](PageServices&, const Json* result, const std::string&) {
        CefRefPtr<PageOwner> browser = owner;
        if (!browser->IsAlive()) return;
        PageNavigation& self = browser->navigation();
        if (result && generation == self.history_generation_) {
          History history;
          history.current = static_cast<int>(JsonInt(*result, "currentIndex", -1));
          const Json* entries = JsonMember(*result, "entries");
          if (entries && entries->is_array()) {
            for (const Json& entry : *entries) {
              history.entries.push_back(static_cast<int>(JsonInt(entry, "id", -1)));
              history.urls.push_back(Wide(JsonString(entry, "url")));
            }
          }
          // The blank page every new page starts with is no place to go back to.
          while (history.first < static_cast<int>(history.urls.size()) && history.urls[history.first] == L"about:blank" &&
                 history.first < history.current) {
            ++history.first;
          }
          if (history.current >= static_cast<int>(history.entries.size())) history.current = -1;
          self.history_ = history;
        }
        if (then_report_stopped && self.loading_reported_) self.ReportLoading(false);
      });
  if (!sent && then_report_stopped && loading_reported_) ReportLoading(false);
}

void PageNavigation::Navigate(const std::wstring& url) {
  std::shared_ptr<PageServices> engine = PageServices::Running();
  if (!engine) return;
  CefRefPtr<PageOwner> owner(browser_);
  std::string target = qbase::UTF16ToUTF8(url);
  engine->Command("Page.navigate", {{"url", target}}, browser_->session(),
                  [owner, url](PageServices&, const Json* result, const std::string& error) {
                    if (result || error.empty()) return;
                    // The browser refused the address itself: the client hears of
                    // it as of any other failed load.
                    CefRefPtr<PageOwner> browser = owner;
                    if (!browser->IsAlive()) return;
                    CefRefPtr<CefClient> client = browser->client();
                    CefRefPtr<CefLoadHandler> load = client ? client->GetLoadHandler() : nullptr;
                    if (load) {
                      load->OnLoadError(browser.get(), browser->main_frame().get(),
                                        static_cast<cef_errorcode_t>(-300), L"net::ERR_INVALID_URL", url);
                    }
                  });
}

void PageNavigation::GoBack() {
  if (!CanGoBack()) return;
  browser_->Command("Page.navigateToHistoryEntry", {{"entryId", history_.entries[history_.current - 1]}});
}

void PageNavigation::GoForward() {
  if (!CanGoForward()) return;
  browser_->Command("Page.navigateToHistoryEntry", {{"entryId", history_.entries[history_.current + 1]}});
}

void PageNavigation::Reload() { browser_->Command("Page.reload"); }

void PageNavigation::Ended() {
  if (loading_reported_) ReportLoading(false);
  frame_loaders_.clear();
  error_frames_.clear();
}

}  // namespace remote
