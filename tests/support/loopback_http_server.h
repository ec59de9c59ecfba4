#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace test_support {

// A small HTTP server on 127.0.0.1 for pages that tests and benchmarks
// load in a real browser. Each request gets one answer and a closed
// connection.
class LoopbackHttpServer {
 public:
  struct Response {
    int status = 200;
    std::string content_type = "text/html; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    // Sends this many more bytes of filler after the body.
    size_t filler_bytes = 0;
    // Sends the headers and body, then keeps the connection open without end.
    bool never_finish = false;
  };

  LoopbackHttpServer() = default;
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  bool Start();
  void Stop();
  int port() const { return port_; }
  // "http://127.0.0.1:port" + path.
  std::string Url(const std::string& path) const;
  std::wstring WideUrl(const std::string& path) const;

  // Answers for a path (without its query); others get 404.
  void Route(const std::string& path, Response response);
  void Page(const std::string& path, const std::string& html);
  void Redirect(const std::string& path, const std::string& location);
  int Requests(const std::string& path);

  // A port on which nothing listens.
  static int ClosedPort();

 private:
  void AcceptLoop();
  void Serve(SOCKET client);

  std::atomic<bool> running_{false};
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  bool winsock_started_ = false;
  std::thread acceptor_;
  std::mutex lock_;
  std::map<std::string, Response> routes_;
  std::map<std::string, int> requests_;
  std::vector<SOCKET> clients_;
  std::vector<std::thread> workers_;
};

}  // namespace test_support
