#pragma once

#include <atomic>
#include <memory>

namespace remote {

// Keeps the order of a page's events when some of them take a short cut.
// Events go from the reading thread through the engine's UI thread, which
// tells the renderer of contexts made and released; a page's native call
// may go straight to the renderer instead, but only while no event read
// before it is still on the long way, or the call could overtake the news
// of its own context (or of that context's end).
class EventOrder {
 public:
  // One event handed to the UI thread: on its way until Done, or until the
  // last copy of the task that holds it goes without running.
  class Ticket {
   public:
    explicit Ticket(std::atomic<int>* on_the_way) : on_the_way_(on_the_way) { on_the_way_->fetch_add(1); }
    ~Ticket() { Done(); }
    Ticket(const Ticket&) = delete;
    Ticket& operator=(const Ticket&) = delete;

    // After the event's handling has passed on all it had for the renderer.
    void Done() {
      if (on_the_way_) on_the_way_->fetch_sub(1, std::memory_order_release);
      on_the_way_ = nullptr;
    }

   private:
    std::atomic<int>* on_the_way_;
  };

  // Reading thread only, so that a call it lets pass was read after every
  // event it has counted.
  std::shared_ptr<Ticket> Take() { return std::make_shared<Ticket>(&on_the_way_); }
  bool MayPass() const { return on_the_way_.load(std::memory_order_acquire) == 0; }

 private:
  // Shared with the tickets, which may outlive a connection but not the engine.
  std::atomic<int> on_the_way_{0};
};

}  // namespace remote
