#include "tests/support/loopback_http_server.h"

#include <ws2tcpip.h>

namespace test_support {

namespace {

const char* Reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

bool SendAll(SOCKET socket, const char* data, size_t size) {
  while (size > 0) {
    int sent = ::send(socket, data, static_cast<int>(size < 65536 ? size : 65536), 0);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

}  // namespace

LoopbackHttpServer::~LoopbackHttpServer() { Stop(); }

bool LoopbackHttpServer::Start() {
  if (running_) return true;
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  winsock_started_ = true;
  listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener_ == INVALID_SOCKET) return false;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof(address);
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(listener_, 64) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::closesocket(listener_);
    listener_ = INVALID_SOCKET;
    return false;
  }
  port_ = ntohs(address.sin_port);
  running_ = true;
  acceptor_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void LoopbackHttpServer::Stop() {
  if (running_.exchange(false)) {
    ::closesocket(listener_);
    listener_ = INVALID_SOCKET;
    if (acceptor_.joinable()) acceptor_.join();
    std::vector<std::thread> workers;
    {
      std::lock_guard<std::mutex> guard(lock_);
      for (SOCKET client : clients_) ::shutdown(client, SD_BOTH);
      workers.swap(workers_);
    }
    for (std::thread& worker : workers) worker.join();
  }
  if (winsock_started_) ::WSACleanup();
  winsock_started_ = false;
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::wstring LoopbackHttpServer::WideUrl(const std::string& path) const {
  std::string url = Url(path);
  return std::wstring(url.begin(), url.end());
}

void LoopbackHttpServer::Route(const std::string& path, Response response) {
  std::lock_guard<std::mutex> guard(lock_);
  routes_[path] = std::move(response);
}

void LoopbackHttpServer::Page(const std::string& path, const std::string& html) {
  Response response;
  response.body = html;
  Route(path, std::move(response));
}

void LoopbackHttpServer::Redirect(const std::string& path, const std::string& location) {
  Response response;
  response.status = 302;
  response.headers.push_back({"Location", location});
  Route(path, std::move(response));
}

int LoopbackHttpServer::Requests(const std::string& path) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = requests_.find(path);
  return it == requests_.end() ? 0 : it->second;
}

int LoopbackHttpServer::ClosedPort() {
  // Bound and closed at once: nothing listens there now.
  LoopbackHttpServer probe;
  if (!probe.Start()) return 9;
  int port = probe.port();
  probe.Stop();
  return port;
}

void LoopbackHttpServer::AcceptLoop() {
  while (running_) {
    SOCKET client = ::accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) break;
    std::lock_guard<std::mutex> guard(lock_);
    if (!running_) {
      ::closesocket(client);
      break;
    }
    clients_.push_back(client);
    workers_.emplace_back([this, client] { Serve(client); });
  }
}

void LoopbackHttpServer::Serve(SOCKET client) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
    int received = ::recv(client, buffer, sizeof(buffer), 0);
    if (received <= 0) break;
    request.append(buffer, static_cast<size_t>(received));
  }
  size_t space = request.find(' ');
  size_t end = space == std::string::npos ? std::string::npos : request.find(' ', space + 1);
  std::string target = end == std::string::npos ? std::string("/") : request.substr(space + 1, end - space - 1);
  std::string path = target.substr(0, target.find('?'));
  Response response;
  bool found = false;
  {
    std::lock_guard<std::mutex> guard(lock_);
    ++requests_[path];
    auto it = routes_.find(path);
    if (it != routes_.end()) {
      response = it->second;
      found = true;
    }
  }
  if (!found) {
    response.status = 404;
    response.body = "<title>Not found</title>not found";
  }
  std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + Reason(response.status) + "\r\n";
  head += "Content-Type: " + response.content_type + "\r\nConnection: close\r\nCache-Control: no-store\r\n";
  for (const auto& header : response.headers) head += header.first + ": " + header.second + "\r\n";
  if (!response.never_finish) {
    head += "Content-Length: " + std::to_string(response.body.size() + response.filler_bytes) + "\r\n";
  }
  head += "\r\n";
  bool ok = SendAll(client, head.data(), head.size()) && SendAll(client, response.body.data(), response.body.size());
  if (ok && response.filler_bytes > 0) {
    std::string filler(64 * 1024, ' ');
    size_t left = response.filler_bytes;
    while (ok && left > 0 && running_) {
      size_t chunk = left < filler.size() ? left : filler.size();
      ok = SendAll(client, filler.data(), chunk);
      left -= chunk;
    }
  }
  if (ok && response.never_finish) {
    // Holds the page open until the server stops.
    while (running_ && ::recv(client, buffer, sizeof(buffer), 0) > 0) {
    }
  }
  ::shutdown(client, SD_SEND);
  std::lock_guard<std::mutex> guard(lock_);
  for (auto it = clients_.begin(); it != clients_.end(); ++it) {
    if (*it == client) {
      clients_.erase(it);
      break;
    }
  }
  ::closesocket(client);
}

}  // namespace test_support
