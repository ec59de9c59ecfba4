#include "engine/remote/remote_frame.h"

#include "base/string_conversions.h"
#include "engine/shared/values_impl.h"
#include "engine/remote/page_owner.h"
#include "engine/remote/page_services.h"
#include "engine/remote/remote_renderer.h"

namespace remote {

RemoteFrame::RemoteFrame(PageOwner* browser, int64_t identifier, const std::string& protocol_id, bool is_main)
    : identifier_(identifier), protocol_id_(protocol_id), is_main_(is_main), browser_(browser) {}

void RemoteFrame::DetachBrowser() {
  std::lock_guard<std::mutex> guard(lock_);
  browser_ = nullptr;
}

void RemoteFrame::SetUrl(const std::wstring& url) {
  std::lock_guard<std::mutex> guard(lock_);
  url_ = url;
}

std::string RemoteFrame::parent_id() {
  std::lock_guard<std::mutex> guard(lock_);
  return parent_id_;
}

void RemoteFrame::set_parent_id(const std::string& parent) {
  std::lock_guard<std::mutex> guard(lock_);
  parent_id_ = parent;
}

CefString RemoteFrame::GetURL() {
  std::lock_guard<std::mutex> guard(lock_);
  return url_;
}

CefRefPtr<CefBrowser> RemoteFrame::GetBrowser() {
  std::lock_guard<std::mutex> guard(lock_);
  return browser_.get();
}

void RemoteFrame::LoadURL(const CefString& url) {
  CefRefPtr<PageOwner> browser;
  {
    std::lock_guard<std::mutex> guard(lock_);
    browser = browser_;
  }
  if (!browser) return;
  std::wstring target = url.ToWString();
  CefRefPtr<RemoteFrame> self(this);
  PageServices::PostUi([browser, self, target](PageServices&) {
    // Sub-frames navigate within their page; the main frame is the page.
    if (self->is_main_) {
      browser->Navigate(target);
      return;
    }
    Json params = {{"url", qbase::UTF16ToUTF8(target)}, {"frameId", self->protocol_id_}};
    browser->Command("Page.navigate", std::move(params));
  });
}

void RemoteFrame::SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) {
  if (target_process != PID_RENDERER) return;
  int browser_id = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!browser_) return;
    browser_id = browser_->GetIdentifier();
  }
  // The copy is taken now: whatever the sender does to its message later
  // never reaches the renderer.
  std::wstring name;
  engine::ListData data;
  if (!engine::ProcessMessageImpl::Snapshot(message, &name, &data)) return;
  std::shared_ptr<PageServices> engine = PageServices::Running();
  int64_t frame_id = identifier_;
  if (engine) {
    engine->PostToRenderer([browser_id, frame_id, name, data](RemoteRenderer& renderer) {
      renderer.DeliverMessage(browser_id, frame_id, name, data);
    });
  }
}

}  // namespace remote
