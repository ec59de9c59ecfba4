#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "base/weak_callback.h"
#include "ui/core/control_host.h"
#include "ui/core/event_args.h"
#include "ui/core/font_info.h"
#include "ui/core/rect.h"
#include "ui/core/size.h"

namespace ui {

class ShadowBox;

// Sees every message of a window before the window itself does.
class IUIMessageFilter {
 public:
  virtual ~IUIMessageFilter() = default;
  // Setting |handled| ends the message with the returned result (mouse moves
  // go on regardless, so hover tracking never stalls).
  virtual LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) = 0;
};

// The one native top-level window that hosts a control tree. It paints the
// whole tree into an off-screen surface and presents it, as a layered window
// with per-pixel alpha or by a copy to the window's device context; turns
// native input into control events; and keeps what controls ask of their
// window: focus, hover, capture, names, classes, option groups, deferred
// deletions and tooltips. UI thread only.
class Window : public ControlHost, public virtual qbase::SupportWeakCallback {
 public:
  // Finds the control under a client point before the tree is asked.
  using HitTestHook = std::function<Control*(const Point& point)>;
  // The program's icon in its resources, which every window class shows.
  static constexpr UINT kProgramIconId = 1;

  Window();
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  virtual std::wstring GetWindowClassName() const = 0;
  // A system class to superclass; empty registers a class of our own.
  virtual std::wstring GetSuperClassName() const { return std::wstring(); }
  virtual UINT GetClassStyle() const { return 0; }
  // Registers the class and creates the native window; null on failure.
  // WS_EX_LAYERED is added when |layered| is set; the caption bits are
  // removed from the style after creation.
  virtual HWND Create(HWND owner, const std::wstring& title, DWORD style, DWORD ex_style, bool layered = true,
                      const Rect& rect = Rect());
  // Fades the root out and posts WM_CLOSE with |result| 300 ms later.
  virtual void Close(UINT result = IDOK);
  virtual void ShowWindow(bool show = true, bool take_focus = true);
  // After WM_NCDESTROY: raises the window-close event.
  virtual void OnFinalMessage(HWND hwnd);
  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  // After the first layout: fades the window in.
  virtual void OnInitLayout();

  HWND Subclass(HWND hwnd);
  void Unsubclass();
  // Takes the native window: device context, render surface, touch input.
  void Init(HWND hwnd);
  // Makes |root| the top of the tree; an old root is destroyed on 0x8001.
  bool AttachRoot(Control* root);
  // Wraps |root| in the shadow box when the shadow is attached.
  Control* AttachShadow(Control* root);
  // The window's own message handling after the filters; sets |handled|.
  LRESULT HandleWindowMessage(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  // Calls the previous window procedure.
  LRESULT CallDefaultProc(UINT message, WPARAM wparam, LPARAM lparam);

  void CenterWindow();
  // Moves the window; with |include_shadow| the rectangle is the visible
  // part and is widened by the shadow margins.
  void SetPos(const Rect& rect, bool need_dpi_scale, UINT flags, HWND insert_after = nullptr,
              bool include_shadow = false);
  Rect GetWindowPos(bool include_shadow = false) const;
  void SetIcon(UINT resource_id);
  bool IsLayeredWindow() const { return layered_; }
  void SetLayeredWindow(bool layered);
  int GetWindowAlpha() const { return window_alpha_; }
  void SetWindowAlpha(int alpha);
  Point GetRenderOffset() const { return render_offset_; }
  void SetRenderOffset(Point offset);
  void SetModal(bool modal) { modal_ = modal; }

  // Window attributes, also set from the "Window" root of a layout.
  Size GetInitSize(bool contain_shadow = false) const;
  void SetInitSize(int cx, int cy, bool contain_shadow = false, bool need_dpi_scale = true);
  Size GetMinInfo(bool contain_shadow = false) const;
  void SetMinInfo(int cx, int cy, bool contain_shadow = false, bool need_dpi_scale = true);
  Size GetMaxInfo(bool contain_shadow = false) const;
  void SetMaxInfo(int cx, int cy, bool contain_shadow = false, bool need_dpi_scale = true);
  const Rect& GetSizeBox() const { return size_box_; }
  void SetSizeBox(const Rect& size_box) { size_box_ = size_box; }
  const Rect& GetCaptionRect() const { return caption_; }
  void SetCaptionRect(const Rect& caption) { caption_ = caption; }
  const Size& GetRoundCorner() const { return round_corner_; }
  void SetRoundCorner(int cx, int cy);
  const Rect& GetAlphaFixCorner() const { return alpha_fix_corner_; }
  void SetAlphaFixCorner(const Rect& rect) { alpha_fix_corner_ = rect; }
  const Rect& GetMaximizeInfo() const { return maximize_info_; }
  void SetMaximizeInfo(const Rect& rect) { maximize_info_ = rect; }
  double GetHeightPercent() const { return height_percent_; }
  void SetHeightPercent(double percent) { height_percent_ = percent; }
  void SetText(const std::wstring& text);
  void SetTextId(const std::wstring& id);

  // Shadow around the root.
  bool IsShadowAttached() const { return shadow_attached_; }
  void SetShadowAttached(bool attached) { shadow_attached_ = attached; }
  const std::wstring& GetShadowImage() const { return shadow_image_; }
  void SetShadowImage(const std::wstring& image);
  // Scaled; zero when the shadow is not attached.
  Rect GetShadowCorner() const;
  // Keeps the unscaled value and applies the scaled one.
  void SetShadowCorner(const Rect& corner, bool need_dpi_scale = true);
  // Scales the unscaled corner again (after a DPI change) and pads the box.
  void RescaleShadowCorner();
  // Maximised windows show no shadow: the root fills the window.
  void MaximizedOrRestored(bool maximized);

  // Event handlers for the window as a whole: close (39) and all (6).
  void AttachWindowClose(EventHandler handler);

  bool AddMessageFilter(IUIMessageFilter* filter);
  bool RemoveMessageFilter(IUIMessageFilter* filter);
  void AddHitTestHook(HitTestHook hook) { hit_test_hooks_.push_back(std::move(hook)); }

  Control* FindControlAt(const Point& point) const;
  // The subtree of |parent| searched by name.
  Control* FindSubControlByName(Control* parent, const std::wstring& name) const;
  // Moves the focus to the next (or previous) tab stop, wrapping around.
  bool SetNextTabControl(bool forward = true);
  void SetCapture();
  void ReleaseCapture();
  HWND GetTooltipWindow() const { return tooltip_window_; }
  // Estimates an auto-sized root and sizes the native window to it.
  void ResizeToAutoRoot(bool move_to_origin);
  // Paints now instead of waiting for WM_PAINT (layered windows).
  void PaintNow();
  IRenderContext* GetRenderContext() const override { return render_context_.get(); }
  ShadowBox* GetShadowBox() const { return shadow_box_; }

  // ControlHost
  HWND GetHWND() const override { return hwnd_; }
  Control* GetRoot() const override { return root_; }
  void SetNeedsLayout() override;
  void Invalidate(const Rect& rect) override;
  Point GetLastMousePoint() const override { return last_mouse_point_; }
  Control* GetFocus() const override { return focus_; }
  void SetFocus(Control* control) override;
  Control* GetHoverControl() const override { return hover_; }
  void SendNotify(Control* control, int kind, WPARAM wparam = 0, LPARAM lparam = 0) override;
  void InitControls(Control* control, Box* parent) override;
  void ReapControl(Control* control) override;
  Control* FindControl(const std::wstring& name) const override;
  void AddDelayedCleanup(Control* control) override;
  std::wstring GetClassAttributes(const std::wstring& class_name) const override;
  void AddClass(const std::wstring& class_name, const std::wstring& attribute_list) override;
  std::wstring GetResourcePath() const override { return resource_path_; }
  void SetResourcePath(const std::wstring& path);
  bool AddOptionGroup(const std::wstring& group, Control* control) override;
  const std::vector<Control*>* GetOptionGroup(const std::wstring& group) const override;
  void RemoveOptionGroup(const std::wstring& group, Control* control) override;
  void ApplyWindowAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  static LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK SuperClassProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  // Both procedures: the window object is kept in the user data of our own
  // class, or in a property of a superclassed or subclassed window.
  static LRESULT RouteMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool in_property);

  // The native window's last message: forget it, then OnFinalMessage.
  void DetachNativeWindow(HWND hwnd);
  bool RegisterWindowClass();
  bool RegisterSuperClass();
  void Paint();
  // Raises the window-close event to the handlers of that kind, then "all".
  void RaiseWindowClose();
  void ClearTrackedControls();

  HWND hwnd_ = nullptr;
  WNDPROC previous_procedure_ = ::DefWindowProcW;
  bool subclassed_ = false;
  Control* root_ = nullptr;

 private:
  // Message handlers of HandleWindowMessage, one per message family.
  void DispatchMouseMove(const Point& point, WPARAM wparam);
  void DispatchButtonDown(UINT message, const Point& point);
  void DispatchMouseHover(const Point& point);
  void DispatchMouseLeave();
  void DispatchKeyDown(WPARAM key);
  // An enabled rich edit with the focus that takes Tab as text.
  bool FocusWantsTab() const;
  LRESULT DispatchTouch(WPARAM wparam, LPARAM lparam, bool& handled);
  LRESULT DispatchPointer(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  void DispatchSize(WPARAM type);
  void DispatchClose();
  void UpdateHover(const Point& point);
  void ShowTooltip(Control* control);
  void HideTooltip();
  void DestroyDelayedControls();
  void RegisterNames(Control* control);
  void UpdateLayout(const Rect& client);
  // A tracking size as stored (scaled, shadow included), and as asked for.
  Size TrackingSize(int cx, int cy, bool contain_shadow, bool need_dpi_scale) const;
  Size TrackingSizeOut(const Size& size, bool contain_shadow) const;
  void PresentLayered(const Rect& update, const Rect& client);

  EventMap window_handlers_;
  Size min_info_;
  Size max_info_;
  Size init_size_;
  Rect maximize_info_;
  Rect size_box_;
  Rect alpha_fix_corner_;
  Size round_corner_;
  Rect caption_;
  double height_percent_ = 0.0;
  // The window's device context, taken at Init and released with the window.
  HDC window_dc_ = nullptr;
  std::unique_ptr<IRenderContext> render_context_;
  bool layered_ = true;
  int window_alpha_ = 255;
  // The alpha of what the layered window shows; 0 before its first update,
  // when the platform shows nothing of it either.
  int presented_alpha_ = 0;
  // Where the layered window was last presented, in screen coordinates.
  Rect presented_rect_;
  Point render_offset_;
  bool first_layout_ = true;
  HWND tooltip_window_ = nullptr;
  TOOLINFOW tooltip_info_ = {};
  std::wstring tooltip_text_;
  Control* focus_ = nullptr;
  Control* hover_ = nullptr;
  Control* entered_ = nullptr;
  Control* pressed_ = nullptr;
  Control* key_down_ = nullptr;
  Point last_mouse_point_{-1, -1};
  Control* touch_ = nullptr;
  Point last_touch_point_{-1, -1};
  Control* pointer_ = nullptr;
  bool pointer_input_ = true;
  bool needs_layout_ = false;
  bool focus_next_pending_ = false;
  bool mouse_tracking_ = false;
  bool mouse_captured_ = false;
  std::wstring resource_path_;
  FontInfo default_font_;
  std::map<std::wstring, std::wstring> classes_;
  std::map<std::wstring, std::vector<Control*>> option_groups_;
  std::vector<IUIMessageFilter*> message_filters_;
  std::vector<HitTestHook> hit_test_hooks_;
  std::vector<Control*> delayed_cleanup_;
  std::map<std::wstring, Control*> names_;
  bool shadow_attached_ = true;
  bool default_shadow_image_ = true;
  std::wstring shadow_image_;
  Rect shadow_corner_unscaled_{14, 14, 14, 14};
  Rect shadow_corner_{14, 14, 14, 14};
  ShadowBox* shadow_box_ = nullptr;
  bool modal_ = false;
  bool maximized_ = false;
};

}  // namespace ui
