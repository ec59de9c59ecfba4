#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/unique_handle.h"
#include "engine/remote/json_util.h"
#include "engine/remote/view_surface.h"
#include "include/cef_types.h"

namespace remote {

// The native child window of a windowed browser: it shows the page's newest
// picture and turns its own mouse, wheel, keyboard, character and input
// method messages into the page's input. It lives on the engine's UI thread;
// its pictures are drawn through its surface.
class PageView {
 public:
  class Delegate {
   public:
    virtual ~Delegate() = default;
    virtual void OnViewResized(int width, int height) = 0;
    // A protocol mouse event (pressed, released, moved or wheel).
    virtual void OnViewMouse(Json event) = 0;
    // A key or character. True when the client's keyboard handler took it.
    virtual bool OnViewKey(const CefKeyEvent& event, const MSG& message) = 0;
    // The input method's text being composed, with the caret in it.
    virtual void OnViewComposition(const std::wstring& text, int caret) = 0;
    // The input method's finished text, or the end of a composition when empty.
    virtual void OnViewCommit(const std::wstring& text) = 0;
    virtual void OnViewFocus(bool focused) = 0;
    // The window is being destroyed by its parent.
    virtual void OnViewDestroyed() = 0;
  };

  // Null when the window cannot be made (a child needs a parent).
  static std::unique_ptr<PageView> Create(const CefWindowInfo& info, Delegate* delegate);
  ~PageView();
  PageView(const PageView&) = delete;
  PageView& operator=(const PageView&) = delete;

  HWND window() const { return window_.get(); }
  // Where the page's pictures are drawn, from any thread.
  const std::shared_ptr<ViewSurface>& surface() const { return surface_; }
  void SetCursor(HCURSOR cursor);
  // The window goes with its parent: the delegate hears of it no more.
  void Detach();
  // Client size; 0 x 0 when hidden by sizing.
  SIZE ClientSize() const;
  // Where the input method's windows go, in client coordinates.
  void SetCaretRect(const RECT& caret);

  static const wchar_t kClassName[];

 private:
  PageView(Delegate* delegate) : delegate_(delegate) {}
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept;
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void Mouse(UINT message, WPARAM wparam, LPARAM lparam);
  bool Composition(LPARAM lparam);
  void PlaceImeWindows();

  Delegate* delegate_;
  qbase::UniqueWindow window_;
  std::shared_ptr<ViewSurface> surface_;
  HCURSOR cursor_ = nullptr;
  bool tracking_leave_ = false;
  bool composing_ = false;
  wchar_t high_surrogate_ = 0;
  RECT caret_ = {0, 0, 1, 16};
};

}  // namespace remote
