#pragma once

#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <mutex>
#include <string>

#include "base/unique_handle.h"

namespace remote {

struct InternetHandleTraits {
  using Type = HINTERNET;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::WinHttpCloseHandle(handle); }
};
using UniqueInternetHandle = qbase::UniqueHandle<InternetHandleTraits>;

// A text WebSocket to a loopback endpoint over the platform's own client.
// One thread receives; any thread may send; Close from any thread ends a
// receive that waits.
class WebSocket {
 public:
  enum class Result { kMessage, kClosed, kTooLarge, kError };

  WebSocket() = default;
  ~WebSocket();
  WebSocket(const WebSocket&) = delete;
  WebSocket& operator=(const WebSocket&) = delete;

  // ws://127.0.0.1:port + path. False when the upgrade did not happen.
  [[nodiscard]] bool Connect(int port, const std::string& path, DWORD timeout_ms);
  [[nodiscard]] bool Send(const std::string& text);
  // Blocks for one whole text message. A message above the bound ends the
  // connection: nothing of ours is that large.
  Result Receive(std::string* message, size_t max_size);
  void Close();
  bool connected() const { return connected_; }

 private:
  std::mutex send_lock_;
  UniqueInternetHandle session_;
  UniqueInternetHandle connection_;
  // Owned here and closed by Close(); atomic because Close ends a receive
  // that another thread is waiting in.
  std::atomic<HINTERNET> socket_{nullptr};
  std::atomic<bool> connected_{false};
  std::atomic<bool> closing_{false};
};

}  // namespace remote
