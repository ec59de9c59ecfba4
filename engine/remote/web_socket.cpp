#include "engine/remote/web_socket.h"

#include <vector>

#include "base/string_conversions.h"

namespace remote {

namespace {

// Receives land here before they join the message.
constexpr DWORD kReceiveChunk = 64 * 1024;

}  // namespace

WebSocket::~WebSocket() { Close(); }

bool WebSocket::Connect(int port, const std::string& path, DWORD timeout_ms) {
  if (socket_.load() || port <= 0 || port > 65535) return false;
  UniqueInternetHandle session(
      ::WinHttpOpen(L"engine", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return false;
  int timeout = static_cast<int>(timeout_ms);
  // Only the hand-shake is bounded: a receive waits as long as the page is quiet.
  ::WinHttpSetTimeouts(session.get(), timeout, timeout, timeout, timeout);
  UniqueInternetHandle connection(::WinHttpConnect(session.get(), L"127.0.0.1", static_cast<INTERNET_PORT>(port), 0));
  if (!connection) return false;
  std::wstring object = qbase::UTF8ToUTF16(path);
  if (object.empty() || object[0] != L'/') return false;
  UniqueInternetHandle request(::WinHttpOpenRequest(connection.get(), L"GET", object.c_str(), nullptr,
                                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
  if (!request) return false;
  if (!::WinHttpSetOption(request.get(), WINHTTP_OPTION_UPGRADE_TO_WEB_SOCKET, nullptr, 0)) return false;
  if (!::WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
    return false;
  }
  if (!::WinHttpReceiveResponse(request.get(), nullptr)) return false;
  DWORD status = 0;
  DWORD size = sizeof(status);
  if (!::WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX) ||
      status != 101) {
    return false;
  }
  UniqueInternetHandle socket(::WinHttpWebSocketCompleteUpgrade(request.get(), 0));
  if (!socket) return false;
  ::WinHttpSetTimeouts(session.get(), timeout, timeout, timeout, 0);
  session_ = std::move(session);
  connection_ = std::move(connection);
  socket_ = socket.release();
  connected_ = true;
  return true;
}

bool WebSocket::Send(const std::string& text) {
  std::lock_guard<std::mutex> guard(send_lock_);
  if (!connected_ || closing_ || !socket_.load() || text.size() > 0x7FFFFFFF) return false;
  DWORD error = ::WinHttpWebSocketSend(socket_.load(), WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE,
                                       const_cast<char*>(text.data()), static_cast<DWORD>(text.size()));
  if (error != NO_ERROR) connected_ = false;
  return error == NO_ERROR;
}

WebSocket::Result WebSocket::Receive(std::string* message, size_t max_size) {
  message->clear();
  std::vector<char> chunk(kReceiveChunk);
  while (!closing_) {
    HINTERNET socket = socket_.load();
    if (!socket) return Result::kClosed;
    DWORD read = 0;
    WINHTTP_WEB_SOCKET_BUFFER_TYPE type = WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE;
    DWORD error = ::WinHttpWebSocketReceive(socket, chunk.data(), kReceiveChunk, &read, &type);
    if (error != NO_ERROR) {
      connected_ = false;
      return closing_ ? Result::kClosed : Result::kError;
    }
    if (type == WINHTTP_WEB_SOCKET_CLOSE_BUFFER_TYPE) {
      connected_ = false;
      return Result::kClosed;
    }
    if (message->size() + read > max_size) {
      connected_ = false;
      return Result::kTooLarge;
    }
    message->append(chunk.data(), read);
    if (type == WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE || type == WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE) {
      return Result::kMessage;
    }
  }
  return Result::kClosed;
}

void WebSocket::Close() {
  if (closing_.exchange(true)) return;
  connected_ = false;
  // Closing the handles ends a receive that waits on another thread; the
  // sender's lock keeps a send from using them meanwhile.
  std::lock_guard<std::mutex> guard(send_lock_);
  HINTERNET socket = socket_.exchange(nullptr);
  if (socket) ::WinHttpCloseHandle(socket);
  connection_.reset();
  session_.reset();
}

}  // namespace remote
