#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "engine/in_process/page.h"
#include "tests/support/engine_choice.h"
#include "tests/support/loopback_http_server.h"

namespace test_support {

// The pages of a test for either engine, under the same loopback addresses.
// The real browser loads each page's HTML from the site's own server; the
// in-process engine, which has no network, runs the page's script in its
// place, and when there is none, one that takes the title from the HTML.
class TestSite {
 public:
  explicit TestSite(EngineKind kind);
  ~TestSite();
  TestSite(const TestSite&) = delete;
  TestSite& operator=(const TestSite&) = delete;

  bool Start();
  EngineKind kind() const { return kind_; }
  bool real() const { return kind_ == EngineKind::kReal; }
  LoopbackHttpServer& server() { return server_; }
  std::wstring Url(const std::string& path) const { return server_.WideUrl(path); }

  void Page(const std::string& path, const std::string& html, inproc::PageScript script = nullptr, int status = 200);
  void Redirect(const std::string& from, const std::string& to);
  // An address whose port refuses connections, and what the engine reports.
  std::wstring ClosedUrl() const;
  // Documents served (or scripts run in their place) for a path.
  int Requests(const std::string& path);

  // The text between <title> and </title>, empty without one.
  static std::wstring TitleOf(const std::string& html);

 private:
  EngineKind kind_;
  LoopbackHttpServer server_;
  std::shared_ptr<std::mutex> lock_ = std::make_shared<std::mutex>();
  std::shared_ptr<std::map<std::string, int>> runs_ = std::make_shared<std::map<std::string, int>>();
};

}  // namespace test_support
