#include "engine/remote/remote_cookie_manager.h"

#include "engine/remote/remote_engine.h"

namespace remote {

std::vector<CefString> RemoteCookieManager::schemes() {
  std::lock_guard<std::mutex> guard(lock_);
  return schemes_;
}

bool RemoteCookieManager::include_defaults() {
  std::lock_guard<std::mutex> guard(lock_);
  return include_defaults_;
}

void RemoteCookieManager::SetSupportedSchemes(const std::vector<CefString>& schemes, bool include_defaults,
                                              CefRefPtr<CefCompletionCallback> callback) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    schemes_ = schemes;
    include_defaults_ = include_defaults;
  }
  if (callback) RemoteEngine::PostUi([callback](RemoteEngine&) { callback->OnComplete(); });
}

}  // namespace remote
