#pragma once

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "engine/remote/browser_process.h"

namespace app_test {

// The project's demo portal (portal/serve.py), a Linux program started from
// Wine under the same launcher as the browser, so that it ends with this
// process however it ends.
class DemoPortal {
 public:
  DemoPortal() = default;
  ~DemoPortal();
  DemoPortal(const DemoPortal&) = delete;
  DemoPortal& operator=(const DemoPortal&) = delete;

  // Starts it with its files in |folder| and waits until it listens.
  bool Start(const std::wstring& folder, std::wstring* error);
  int port() const { return port_; }
  // The browser's switch that sends the client's host names here.
  std::wstring ResolverRulesArgument() const;
  // What the pages did: {"loads": {page: count}, "reports": [...]}; null when
  // the portal does not answer.
  nlohmann::json State() const;

 private:
  std::unique_ptr<remote::BrowserProcess> process_;
  int port_ = 0;
};

}  // namespace app_test
