#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/shared/list_data.h"
#include "engine/remote/json_util.h"

namespace remote {

// What the real engine's renderer asks of the rest of the engine: the
// browser side gets only copied data, as from a renderer process; a page's
// scripts are reached over the protocol, as a renderer reaches its own.
// Callable from the renderer thread.
class RendererChannel {
 public:
  virtual ~RendererChannel() = default;

  virtual void MessageToBrowser(int browser_id, int64_t frame_id, const std::wstring& name,
                                const engine::ListData& data) = 0;
  virtual void Navigate(int browser_id, int64_t frame_id, const std::wstring& url) = 0;
  // -1 back, +1 forward, 0 reload.
  virtual void History(int browser_id, int step) = 0;
  // Evaluates in a page's execution context and waits for its value. False
  // when the page is gone, threw past the engine's object, or took too long.
  virtual bool Evaluate(const std::string& session, int context_id, const std::string& expression,
                        unsigned long timeout_ms, Json* value) = 0;
  // The same without waiting: |done| gets the value (or false) later, on
  // another thread. False when it could not be sent; |done| never runs then.
  virtual bool EvaluateAsync(const std::string& session, int context_id, const std::string& expression,
                             std::function<void(bool ok, const Json& value)> done) = 0;
  // The same without waiting or an answer.
  virtual void EvaluateLater(const std::string& session, int context_id, const std::string& expression) = 0;
};

}  // namespace remote
