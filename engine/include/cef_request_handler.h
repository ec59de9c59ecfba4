#pragma once

#include <vector>

#include "include/cef_browser.h"
#include "include/cef_request.h"

class CefRequestCallback : public virtual CefBaseRefCounted {
 public:
  virtual void Continue(bool allow) = 0;
};

class CefAuthCallback : public virtual CefBaseRefCounted {};
class CefSSLInfo : public virtual CefBaseRefCounted {};
class CefX509Certificate : public virtual CefBaseRefCounted {};
class CefSelectClientCertificateCallback : public virtual CefBaseRefCounted {};
class CefResourceRequestHandler : public virtual CefBaseRefCounted {};

using cef_errorcode_value_t = int;

class CefRequestHandler : public virtual CefBaseRefCounted {
 public:
  using X509CertificateList = std::vector<CefRefPtr<CefX509Certificate>>;

  // On the engine's UI thread. True cancels the navigation.
  virtual bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefRefPtr<CefRequest> request,
                              bool user_gesture, bool is_redirect) {
    return false;
  }
  virtual bool OnOpenURLFromTab(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& target_url,
                                CefLifeSpanHandlerWindowOpenDisposition target_disposition, bool user_gesture) {
    return false;
  }
  virtual CefRefPtr<CefResourceRequestHandler> GetResourceRequestHandler(
      CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefRefPtr<CefRequest> request, bool is_navigation,
      bool is_download, const CefString& request_initiator, bool& disable_default_handling) {
    return nullptr;
  }
  virtual bool GetAuthCredentials(CefRefPtr<CefBrowser> browser, const CefString& origin_url, bool is_proxy,
                                  const CefString& host, int port, const CefString& realm, const CefString& scheme,
                                  CefRefPtr<CefAuthCallback> callback) {
    return false;
  }
  // True: the callback will be (or was) answered.
  virtual bool OnQuotaRequest(CefRefPtr<CefBrowser> browser, const CefString& origin_url, int64_t new_size,
                              CefRefPtr<CefRequestCallback> callback) {
    return false;
  }
  virtual bool OnCertificateError(CefRefPtr<CefBrowser> browser, cef_errorcode_value_t cert_error,
                                  const CefString& request_url, CefRefPtr<CefSSLInfo> ssl_info,
                                  CefRefPtr<CefRequestCallback> callback) {
    return false;
  }
  virtual bool OnSelectClientCertificate(CefRefPtr<CefBrowser> browser, bool is_proxy, const CefString& host, int port,
                                         const X509CertificateList& certificates,
                                         CefRefPtr<CefSelectClientCertificateCallback> callback) {
    return false;
  }
  virtual void OnPluginCrashed(CefRefPtr<CefBrowser> browser, const CefString& plugin_path) {}
  virtual void OnRenderViewReady(CefRefPtr<CefBrowser> browser) {}
  virtual void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser, CefRequestHandlerTerminationStatus status) {}
};
