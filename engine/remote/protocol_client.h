#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "base/thread.h"
#include "engine/remote/json_util.h"
#include "engine/remote/web_socket.h"

namespace remote {

// The browser's remote debugging protocol over one WebSocket: numbered
// commands with their answers, and events, each for the browser or for one
// session of a page. Its own thread reads; answers and events are handed to
// the callbacks on that thread, which pass them on (usually by posting to the
// engine's UI thread).
class ProtocolClient {
 public:
  // The answer to one command: its result, or null with the error message.
  using Answer = std::function<void(const Json* result, const std::string& error)>;
  using EventHandler = std::function<void(const std::string& session, const std::string& method, Json& params)>;
  using ClosedHandler = std::function<void()>;

  ProtocolClient(EventHandler on_event, ClosedHandler on_closed);
  ~ProtocolClient();
  ProtocolClient(const ProtocolClient&) = delete;
  ProtocolClient& operator=(const ProtocolClient&) = delete;

  [[nodiscard]] bool Connect(int port, const std::string& path, DWORD timeout_ms);
  // Any thread. False when the connection is gone; the answer then never runs.
  bool Send(const std::string& method, Json params, const std::string& session = std::string(),
            Answer answer = nullptr);
  // For threads other than the reading one: waits for the answer, at most
  // the time given. Null on failure or time-out.
  bool SendAndWait(const std::string& method, Json params, const std::string& session, DWORD timeout_ms,
                   Json* result);
  void Close();
  bool connected() const { return socket_.connected(); }

  // Messages above this size end the connection.
  static constexpr size_t kMaxMessageSize = 128u * 1024 * 1024;

 private:
  class Reader : public qbase::Thread {
   public:
    explicit Reader(ProtocolClient* owner) : owner_(owner) {}
    ~Reader() override { Join(); }

   protected:
    void Run() override { owner_->ReadLoop(); }

   private:
    ProtocolClient* owner_;
  };


  void ReadLoop();
  void Dispatch(const std::string& text);
  void FailPending();

  EventHandler on_event_;
  ClosedHandler on_closed_;
  WebSocket socket_;
  std::unique_ptr<Reader> reader_;
  std::mutex lock_;
  int64_t next_id_ = 1;
  std::map<int64_t, Answer> pending_;
};

}  // namespace remote
