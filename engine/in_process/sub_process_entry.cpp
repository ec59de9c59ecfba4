#include "engine/in_process/sub_process_entry.h"

#include <mutex>

namespace inproc {

namespace {

struct StoredEntry {
  std::mutex lock;
  CefSubProcessEntry entry;
};

StoredEntry& Stored() {
  static StoredEntry stored;
  return stored;
}

}  // namespace

void SetSubProcessEntry(CefSubProcessEntry entry) {
  StoredEntry& stored = Stored();
  std::lock_guard<std::mutex> guard(stored.lock);
  stored.entry = std::move(entry);
}

CefSubProcessEntry SubProcessEntry() {
  StoredEntry& stored = Stored();
  std::lock_guard<std::mutex> guard(stored.lock);
  return stored.entry;
}

}  // namespace inproc

void CefSetSubProcessEntry(CefSubProcessEntry entry) { inproc::SetSubProcessEntry(std::move(entry)); }
