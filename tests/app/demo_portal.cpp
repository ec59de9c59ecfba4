#include "demo_portal.h"

#include <winsock2.h>

#include <cstdlib>

#include "app/portal.h"
#include "base/string_conversions.h"
#include "engine/remote/browser_launch.h"
#include "engine/remote/wine_paths.h"
#include "tests/support/test_support.h"

namespace app_test {

namespace {

// One HTTP/1.0 exchange with the portal; the body, empty on failure.
std::string Get(int port, const std::string& path) {
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return std::string();
  std::string answer;
  SOCKET connection = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<u_short>(port));
  DWORD timeout_ms = 5000;
  ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout_ms), sizeof(timeout_ms));
  if (connection != INVALID_SOCKET &&
      ::connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
    std::string request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    ::send(connection, request.data(), static_cast<int>(request.size()), 0);
    char buffer[8192];
    int received;
    while ((received = ::recv(connection, buffer, sizeof(buffer), 0)) > 0) answer.append(buffer, received);
  }
  if (connection != INVALID_SOCKET) ::closesocket(connection);
  ::WSACleanup();
  size_t body = answer.find("\r\n\r\n");
  return body == std::string::npos ? std::string() : answer.substr(body + 4);
}

}  // namespace

DemoPortal::~DemoPortal() {
  if (process_) {
    process_->Kill();
    process_->WaitForExit(5000);
  }
}

bool DemoPortal::Start(const std::wstring& folder, std::wstring* error) {
  const std::wstring port_file = folder + L"portal.port";
  const std::string unix_port_file = remote::ToUnixPath(port_file);
  if (unix_port_file.empty()) {
    *error = L"no Linux path for " + port_file;
    return false;
  }
  process_ = remote::LaunchBrowser(L"/usr/bin/python3",
                                   {qbase::UTF8ToUTF16(TARNWELL_PORTAL_SCRIPT), L"--port-file",
                                    qbase::UTF8ToUTF16(unix_port_file), L"--log", L"none"},
                                   folder + L"portal.log", nullptr, error);
  if (!process_) return false;
  test_support::PumpUntil(
      [&] {
        port_ = std::atoi(test_support::ReadText(port_file).c_str());
        return port_ > 0 || process_->HasExited();
      },
      15000);
  if (port_ <= 0) *error = L"the portal did not start; see " + folder + L"portal.log";
  return port_ > 0;
}

std::wstring DemoPortal::ResolverRulesArgument() const {
  const std::wstring target = L" 127.0.0.1:" + std::to_wstring(port_);
  return L"--host-resolver-rules=\"MAP " + std::wstring(tarnwell::PortalMainHost) + target + L", MAP " +
         tarnwell::GameHost + target + L", MAP " + tarnwell::PortalPaymentHost + target + L"\"";
}

nlohmann::json DemoPortal::State() const {
  return nlohmann::json::parse(Get(port_, "/__portal/state"), nullptr, false);
}

}  // namespace app_test
