#pragma once

#include <string>

#include "engine/remote/json_util.h"
#include "include/cef_browser.h"
#include "include/cef_client.h"

namespace remote {

class PageNavigation;
class RemoteFrame;

// What the parts of a browser of the real engine (its frames, its
// navigation and its page's requests) reach of the browser they belong to.
// Engine UI thread only, unless said.
class PageOwner : public CefBrowser {
 public:
  virtual bool IsAlive() const = 0;
  // Whether the page target exists and its session can take commands.
  virtual bool attached() const = 0;
  virtual const std::string& session() const = 0;
  // Sends a command on the page's session (or a child session).
  virtual bool Command(const std::string& method, Json params = Json::object(),
                       const std::string& session = std::string()) = 0;
  virtual void Navigate(const std::wstring& url) = 0;
  virtual PageNavigation& navigation() = 0;

  virtual CefRefPtr<RemoteFrame> main_frame() const = 0;
  // The frame of a protocol frame identifier, made on first sight.
  virtual CefRefPtr<RemoteFrame> FrameFor(const std::string& protocol_id,
                                          const std::string& parent_id = std::string()) = 0;
  virtual void ForgetFrame(const std::string& protocol_id) = 0;

  // Any thread.
  virtual CefRefPtr<CefClient> client() = 0;
  virtual std::wstring url() = 0;
};

}  // namespace remote
