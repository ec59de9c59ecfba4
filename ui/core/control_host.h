#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/core/point.h"
#include "ui/core/rect.h"

namespace ui {

class Box;
class Control;
class IRenderContext;

// What a control tree asks of the native window that hosts it. The host
// window implements this; controls and the markup builder know nothing
// else about it. UI thread only.
class ControlHost {
 public:
  // The private message after which queued controls are destroyed.
  static constexpr UINT kDelayedCleanupMessage = 0x8001;

  virtual ~ControlHost() = default;

  // Null until the native window exists.
  virtual HWND GetHWND() const = 0;
  virtual Control* GetRoot() const = 0;

  // Asks for a layout pass before the next paint.
  virtual void SetNeedsLayout() = 0;
  // Client coordinates; the host repaints the area without erasing.
  virtual void Invalidate(const Rect& rect) = 0;

  virtual Point GetLastMousePoint() const = 0;
  virtual Control* GetFocus() const = 0;
  // Null clears the focus.
  virtual void SetFocus(Control* control) = 0;
  virtual Control* GetHoverControl() const = 0;
  // Builds an event with the last mouse point and dispatches it to |control|.
  virtual void SendNotify(Control* control, int kind, WPARAM wparam = 0, LPARAM lparam = 0) = 0;

  // Attaches a subtree added after the host took its root: SetWindow on
  // every control and registration of every non-empty name (the last one
  // registered under a name wins).
  virtual void InitControls(Control* control, Box* parent) = 0;
  // Forgets a control that is being destroyed.
  virtual void ReapControl(Control* control) = 0;
  // The name map; null when absent.
  virtual Control* FindControl(const std::wstring& name) const = 0;
  // Takes ownership and destroys the control once kDelayedCleanupMessage is
  // handled, so a control can be removed from inside its own handlers.
  virtual void AddDelayedCleanup(Control* control) = 0;

  // Window-local style classes; an empty text when absent.
  virtual std::wstring GetClassAttributes(const std::wstring& class_name) const = 0;
  virtual void AddClass(const std::wstring& class_name, const std::wstring& attribute_list) = 0;

  // Folder of the window's skin below the resource path, ending in a
  // separator (or empty).
  virtual std::wstring GetResourcePath() const = 0;

  // The window's off-screen surface; labels measure their text with it.
  // Null before the native window exists.
  virtual IRenderContext* GetRenderContext() const = 0;

  // Option groups: at most one selected member per group. Adding a control
  // already in the group returns false; a group left empty is removed.
  virtual bool AddOptionGroup(const std::wstring& group, Control* control) = 0;
  // Null when the group does not exist.
  virtual const std::vector<Control*>* GetOptionGroup(const std::wstring& group) const = 0;
  virtual void RemoveOptionGroup(const std::wstring& group, Control* control) = 0;

  // One attribute of a "Window" layout root, in document order. Only called
  // once the native window exists.
  virtual void ApplyWindowAttribute(const std::wstring& name, const std::wstring& value) = 0;
};

}  // namespace ui
