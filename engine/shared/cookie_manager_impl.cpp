#include "engine/shared/cookie_manager_impl.h"


namespace engine {

std::vector<CefString> CookieManagerImpl::schemes() {
  std::lock_guard<std::mutex> guard(lock_);
  return schemes_;
}

bool CookieManagerImpl::include_defaults() {
  std::lock_guard<std::mutex> guard(lock_);
  return include_defaults_;
}

void CookieManagerImpl::SetSupportedSchemes(const std::vector<CefString>& schemes, bool include_defaults,
                                            CefRefPtr<CefCompletionCallback> callback) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    schemes_ = schemes;
    include_defaults_ = include_defaults;
  }
  if (callback && post_) post_([callback] { callback->OnComplete(); });
}

}  // namespace engine
