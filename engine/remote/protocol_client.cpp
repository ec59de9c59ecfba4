#include "engine/remote/protocol_client.h"

#include <utility>

#include "base/unique_handle.h"

namespace remote {

ProtocolClient::ProtocolClient(EventHandler on_event, ClosedHandler on_closed)
    : on_event_(std::move(on_event)), on_closed_(std::move(on_closed)) {}

ProtocolClient::~ProtocolClient() { Close(); }

bool ProtocolClient::Connect(int port, const std::string& path, DWORD timeout_ms) {
  if (reader_ || !socket_.Connect(port, path, timeout_ms)) return false;
  reader_ = std::make_unique<Reader>(this);
  if (!reader_->Start()) {
    reader_.reset();
    socket_.Close();
    return false;
  }
  return true;
}

bool ProtocolClient::Send(const std::string& method, Json params, const std::string& session, Answer answer) {
  Json message = Json::object();
  int64_t id = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    id = next_id_++;
    pending_[id] = std::move(answer);
  }
  message["id"] = id;
  message["method"] = method;
  message["params"] = params.is_object() ? std::move(params) : Json::object();
  if (!session.empty()) message["sessionId"] = session;
  if (socket_.Send(DumpJson(message))) return true;
  std::lock_guard<std::mutex> guard(lock_);
  pending_.erase(id);
  return false;
}

bool ProtocolClient::SendAndWait(const std::string& method, Json params, const std::string& session,
                                 DWORD timeout_ms, Json* result) {
  if (reader_ && ::GetCurrentThreadId() == reader_->thread_id()) return false;
  struct Slot {
    std::mutex lock;
    bool ok = false;
    Json value;
    qbase::UniqueKernelHandle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  };
  auto slot = std::make_shared<Slot>();
  if (!slot->done) return false;
  bool sent = Send(method, std::move(params), session, [slot](const Json* answer, const std::string&) {
    {
      std::lock_guard<std::mutex> guard(slot->lock);
      slot->ok = answer != nullptr;
      if (answer) slot->value = *answer;
    }
    ::SetEvent(slot->done.get());
  });
  if (!sent || ::WaitForSingleObject(slot->done.get(), timeout_ms) != WAIT_OBJECT_0) return false;
  std::lock_guard<std::mutex> guard(slot->lock);
  if (result) *result = std::move(slot->value);
  return slot->ok;
}

void ProtocolClient::Close() {
  socket_.Close();
  if (reader_) {
    reader_->Join();
    reader_.reset();
  }
  FailPending();
}

void ProtocolClient::ReadLoop() {
  std::string text;
  while (socket_.Receive(&text, kMaxMessageSize) == WebSocket::Result::kMessage) {
    // A fault in one message's handling must not end the connection.
    try {
      Dispatch(text);
    } catch (...) {
    }
  }
  FailPending();
  if (on_closed_) on_closed_();
}

void ProtocolClient::Dispatch(const std::string& text) {
  Json message = ParseJson(text);
  if (!message.is_object()) return;
  const Json* id = JsonMember(message, "id");
  if (id && id->is_number_integer()) {
    Answer answer;
    {
      std::lock_guard<std::mutex> guard(lock_);
      auto it = pending_.find(id->get<int64_t>());
      if (it == pending_.end()) return;
      answer = std::move(it->second);
      pending_.erase(it);
    }
    if (!answer) return;
    const Json* result = JsonMember(message, "result");
    if (result && !JsonMember(message, "error")) {
      answer(result, std::string());
    } else {
      answer(nullptr, JsonString(JsonObject(message, "error"), "message", "no result"));
    }
    return;
  }
  std::string method = JsonString(message, "method");
  if (method.empty() || !on_event_) return;
  Json* params = nullptr;
  auto found = message.find("params");
  if (found != message.end() && found->is_object()) params = &*found;
  Json empty = Json::object();
  on_event_(JsonString(message, "sessionId"), method, params ? *params : empty);
}

void ProtocolClient::FailPending() {
  std::map<int64_t, Answer> failed;
  {
    std::lock_guard<std::mutex> guard(lock_);
    failed.swap(pending_);
  }
  for (auto& entry : failed) {
    if (entry.second) entry.second(nullptr, "the browser is gone");
  }
}

}  // namespace remote
