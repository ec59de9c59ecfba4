#pragma once

#include <string>

#include "engine/remote/json_util.h"

namespace remote {

class PageOwner;

// What a page asks of the client beyond navigation: script dialogs (always
// answered, so a suppressed one never blocks the page), pop-ups (the client
// decides; the browser program's own pop-up window is never kept), file
// choosers and downloads, and console messages.
class PageRequests {
 public:
  explicit PageRequests(PageOwner* browser) : browser_(browser) {}

  bool Handle(const std::string& session, const std::string& method, const Json& params);
  void DownloadWillBegin(const Json& params);

 private:
  void Dialog(const std::string& session, const Json& params);
  void WindowOpen(const Json& params);
  void FileChooser(const Json& params);
  void Console(const Json& params);

  PageOwner* browser_;
};

}  // namespace remote
