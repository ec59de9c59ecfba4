#pragma once

#include <mutex>
#include <string>

#include "base/unique_handle.h"
#include "include/cef_types.h"

namespace engine {

// The engine's log file: one line per event, appended, readable while the
// engine runs. Without a file (none configured, or it cannot be opened)
// messages are dropped.
class EngineLog {
 public:
  // |source| names the engine in every line.
  explicit EngineLog(const char* source) : source_(source) {}
  EngineLog(const EngineLog&) = delete;
  EngineLog& operator=(const EngineLog&) = delete;

  // True when the file is open for writing.
  bool Open(const std::wstring& path, cef_log_severity_t severity);
  void Close();
  void Write(cef_log_severity_t severity, const std::string& message);
  void Write(cef_log_severity_t severity, const std::wstring& message);

 private:
  std::mutex lock_;
  qbase::UniqueFileHandle file_;
  const char* source_;
  cef_log_severity_t minimum_ = LOGSEVERITY_INFO;
};

}  // namespace engine
