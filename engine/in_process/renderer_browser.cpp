#include "engine/in_process/renderer_browser.h"

#include "engine/shared/values_impl.h"

namespace inproc {

void RendererFrame::Detach() {
  browser_ = nullptr;
  host_ = nullptr;
  if (page_) page_->Detach();
  page_.reset();
  context_ = nullptr;
}

void RendererFrame::LoadURL(const CefString& url) {
  if (!host_ || !host_->OnThread() || !browser_) return;
  int id = browser_->GetIdentifier();
  std::wstring target = url.ToWString();
  host_->PostToHost([id, target](RendererHost& host) { host.OnNavigateRequest(id, target); });
}

CefString RendererFrame::GetURL() { return host_ && host_->OnThread() ? CefString(url_) : CefString(); }

CefRefPtr<CefBrowser> RendererFrame::GetBrowser() { return browser_; }

CefRefPtr<CefV8Context> RendererFrame::GetV8Context() {
  if (!host_ || !host_->OnThread() || !context_ || !*context_->alive()) return nullptr;
  return context_.get();
}

void RendererFrame::SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) {
  if (target_process != PID_BROWSER || !host_ || !browser_) return;
  std::wstring name;
  engine::ListData data;
  if (!engine::ProcessMessageImpl::Snapshot(message, &name, &data)) return;
  int id = browser_->GetIdentifier();
  int64_t frame_id = identifier_;
  host_->PostToHost(
      [id, frame_id, name, data](RendererHost& host) { host.OnProcessMessage(id, frame_id, name, data); });
}

RendererBrowser::RendererBrowser(PageHost* host, int identifier, int64_t frame_id)
    : host_(host), identifier_(identifier), main_frame_(new RendererFrame(host, this, frame_id, true)) {}

void RendererBrowser::Detach() {
  host_ = nullptr;
  for (const CefRefPtr<RendererFrame>& child : TakeChildFrames()) child->Detach();
  if (main_frame_) main_frame_->Detach();
}

CefRefPtr<RendererFrame> RendererBrowser::AddChildFrame(int64_t identifier) {
  CefRefPtr<RendererFrame> frame = new RendererFrame(host_, this, identifier, false);
  child_frames_.push_back(frame);
  return frame;
}

std::vector<CefRefPtr<RendererFrame>> RendererBrowser::TakeChildFrames() {
  std::vector<CefRefPtr<RendererFrame>> frames;
  frames.swap(child_frames_);
  return frames;
}

void RendererBrowser::History(int step) {
  if (!host_ || !host_->OnThread()) return;
  int id = identifier_;
  host_->PostToHost([id, step](RendererHost& host) { host.OnHistoryRequest(id, step); });
}

void RendererBrowser::GoBack() { History(-1); }
void RendererBrowser::GoForward() { History(1); }
void RendererBrowser::Reload() { History(0); }

CefRefPtr<CefFrame> RendererBrowser::GetMainFrame() { return main_frame_.get(); }

CefRefPtr<CefFrame> RendererBrowser::GetFrame(int64_t identifier) {
  if (main_frame_ && main_frame_->GetIdentifier() == identifier) return main_frame_.get();
  for (const CefRefPtr<RendererFrame>& child : child_frames_) {
    if (child->GetIdentifier() == identifier) return child.get();
  }
  return nullptr;
}

}  // namespace inproc
