#include "engine/shared/engine_log.h"

#include <cstdio>

#include "base/string_conversions.h"

namespace engine {

namespace {

const char* SeverityName(cef_log_severity_t severity) {
  switch (severity) {
    case LOGSEVERITY_VERBOSE:
      return "VERBOSE";
    case LOGSEVERITY_WARNING:
      return "WARNING";
    case LOGSEVERITY_ERROR:
      return "ERROR";
    default:
      return "INFO";
  }
}

}  // namespace

bool EngineLog::Open(const std::wstring& path, cef_log_severity_t severity) {
  std::lock_guard<std::mutex> guard(lock_);
  file_.reset();
  if (path.empty() || severity == LOGSEVERITY_DISABLE) return false;
  minimum_ = severity == LOGSEVERITY_DEFAULT ? LOGSEVERITY_INFO : severity;
  HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  file_.reset(file);
  return true;
}

void EngineLog::Close() {
  std::lock_guard<std::mutex> guard(lock_);
  file_.reset();
}

void EngineLog::Write(cef_log_severity_t severity, const std::string& message) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!file_ || severity < minimum_) return;
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  char prefix[96];
  std::snprintf(prefix, sizeof(prefix), "[%02u%02u/%02u%02u%02u.%03u:%s:%s] ", now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, SeverityName(severity), source_);
  std::string line = prefix + message + "\n";
  DWORD written = 0;
  ::WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void EngineLog::Write(cef_log_severity_t severity, const std::wstring& message) {
  Write(severity, qbase::UTF16ToUTF8(message));
}

}  // namespace engine
