#include "engine/shared/sub_process_entry.h"

#include <mutex>

namespace engine {

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

}  // namespace engine

void CefSetSubProcessEntry(CefSubProcessEntry entry) { engine::SetSubProcessEntry(std::move(entry)); }
