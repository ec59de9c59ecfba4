#include "app/window_messages.h"

#include <mutex>
#include <set>

namespace tarnwell {

namespace {

// Addresses in flight. Posting and taking both happen on the UI thread
// today; the lock keeps that an assumption rather than a requirement.
struct PendingAddresses {
  std::mutex lock;
  std::set<std::wstring*> strings;
};

PendingAddresses& Pending() {
  static PendingAddresses pending;
  return pending;
}

}  // namespace

bool PostOpenGame(HWND start_window, const std::wstring& address) {
  auto copy = std::make_unique<std::wstring>(address);
  PendingAddresses& pending = Pending();
  {
    std::lock_guard<std::mutex> guard(pending.lock);
    pending.strings.insert(copy.get());
  }
  if (::PostMessageW(start_window, OpenGameMessage, 0, reinterpret_cast<LPARAM>(copy.get()))) {
    copy.release();
    return true;
  }
  std::lock_guard<std::mutex> guard(pending.lock);
  pending.strings.erase(copy.get());
  return false;
}

std::unique_ptr<std::wstring> TakeOpenGameAddress(LPARAM lparam) {
  auto* candidate = reinterpret_cast<std::wstring*>(lparam);
  PendingAddresses& pending = Pending();
  std::lock_guard<std::mutex> guard(pending.lock);
  if (pending.strings.erase(candidate) == 0) return nullptr;
  return std::unique_ptr<std::wstring>(candidate);
}

}  // namespace tarnwell
