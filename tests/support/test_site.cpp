#include "tests/support/test_site.h"

#include "base/string_conversions.h"
#include "include/cef_types.h"

namespace test_support {

TestSite::TestSite(EngineKind kind) : kind_(kind) {}

TestSite::~TestSite() {
  if (!real()) inproc::ClearPages();
}

bool TestSite::Start() { return server_.Start(); }

void TestSite::Page(const std::string& path, const std::string& html, inproc::PageScript script, int status) {
  if (real()) {
    LoopbackHttpServer::Response response;
    response.status = status;
    response.body = html;
    server_.Route(path, response);
    return;
  }
  std::wstring title = TitleOf(html);
  std::shared_ptr<std::mutex> lock = lock_;
  std::shared_ptr<std::map<std::string, int>> runs = runs_;
  inproc::RegisterPage(Url(path), [path, title, script, status, lock, runs](inproc::Page& page) {
    {
      std::lock_guard<std::mutex> guard(*lock);
      ++(*runs)[path];
    }
    page.SetStatus(status);
    if (!title.empty()) page.SetTitle(title);
    if (script) script(page);
  });
}

void TestSite::Redirect(const std::string& from, const std::string& to) {
  if (real()) {
    server_.Redirect(from, to);
  } else {
    inproc::RegisterRedirect(Url(from), Url(to));
  }
}

std::wstring TestSite::ClosedUrl() const {
  std::wstring url = L"http://127.0.0.1:" + std::to_wstring(LoopbackHttpServer::ClosedPort()) + L"/";
  if (!real()) {
    // What the network would answer: the connection is refused.
    inproc::RegisterPage(url, [](inproc::Page& page) {
      page.FailLoad(ERR_CONNECTION_REFUSED, L"net::ERR_CONNECTION_REFUSED");
    });
  }
  return url;
}

int TestSite::Requests(const std::string& path) {
  if (real()) return server_.Requests(path);
  std::lock_guard<std::mutex> guard(*lock_);
  auto it = runs_->find(path);
  return it == runs_->end() ? 0 : it->second;
}

std::wstring TestSite::TitleOf(const std::string& html) {
  size_t open = html.find("<title>");
  size_t close = open == std::string::npos ? std::string::npos : html.find("</title>", open);
  if (close == std::string::npos) return std::wstring();
  return qbase::UTF8ToUTF16(html.substr(open + 7, close - open - 7));
}

}  // namespace test_support
