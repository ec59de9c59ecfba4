#include "engine/remote/renderer_page.h"

#include "engine/shared/values_impl.h"

namespace remote {

// ---- RendererPageFrame ----

void RendererPageFrame::Detach() {
  if (context_) context_->Invalidate();
  context_ = nullptr;
  browser_ = nullptr;
  link_ = RendererLink();
}

void RendererPageFrame::LoadURL(const CefString& url) {
  if (!link_.OnThread() || !browser_) return;
  link_.channel->Navigate(browser_->GetIdentifier(), identifier_, url.ToWString());
}

CefString RendererPageFrame::GetURL() { return engine::RendererThread::Current() ? CefString(url_) : CefString(); }

CefRefPtr<CefBrowser> RendererPageFrame::GetBrowser() { return browser_; }

CefRefPtr<CefV8Context> RendererPageFrame::GetV8Context() {
  if (!link_.OnThread() || !context_ || !context_->alive()) return nullptr;
  return context_.get();
}

void RendererPageFrame::SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) {
  if (target_process != PID_BROWSER || !link_.channel || !browser_) return;
  std::wstring name;
  engine::ListData data;
  if (!engine::ProcessMessageImpl::Snapshot(message, &name, &data)) return;
  link_.channel->MessageToBrowser(browser_->GetIdentifier(), identifier_, name, data);
}

// ---- RendererPageBrowser ----

RendererPageBrowser::RendererPageBrowser(RendererLink link, int identifier, int64_t main_frame_id)
    : link_(link), identifier_(identifier) {
  main_frame_ = new RendererPageFrame(link, this, main_frame_id, true);
  frames_[main_frame_id] = main_frame_;
}

void RendererPageBrowser::Detach() {
  for (auto& entry : frames_) entry.second->Detach();
  frames_.clear();
  link_ = RendererLink();
}

CefRefPtr<RendererPageFrame> RendererPageBrowser::FrameFor(int64_t identifier, bool is_main) {
  auto it = frames_.find(identifier);
  if (it != frames_.end()) return it->second;
  CefRefPtr<RendererPageFrame> frame = new RendererPageFrame(link_, this, identifier, is_main);
  frames_[identifier] = frame;
  return frame;
}

CefRefPtr<CefFrame> RendererPageBrowser::GetFrame(int64_t identifier) {
  auto it = frames_.find(identifier);
  return it == frames_.end() ? nullptr : CefRefPtr<CefFrame>(it->second.get());
}

void RendererPageBrowser::History(int step) {
  if (!link_.OnThread()) return;
  link_.channel->History(identifier_, step);
}

void RendererPageBrowser::GoBack() { History(-1); }
void RendererPageBrowser::GoForward() { History(1); }
void RendererPageBrowser::Reload() { History(0); }

}  // namespace remote
