#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/weak_callback.h"
#include "ui/controls/scrollable_box.h"
#include "ui/render/image.h"

namespace ui {

class CTxtWinHost;
class ITextServices;
class TimerService;

// The framework's text input: a windowless edit over the platform's
// rich-edit text services, single- or multi-line, plain or rich, with
// password, digits-only, read-only and prompt modes and clickable links.
// Input goes to the engine, the engine paints into the window's surface and
// the control adds return and tab events, digit filtering, the prompt, the
// focus image, the caret and the touch keyboard. Without the engine library
// it shows only its own images, colours and text.
class RichEdit : public ScrollableBox {
 public:
  // The trace written when a link in the text is clicked.
  static constexpr const char* kLinkTraceFormat = "[Link]%s\n";
  // The platform's link notification code.
  static constexpr UINT kLinkNotification = 1803;

  RichEdit();
  ~RichEdit() override;

  // Text. The engine keeps paragraph breaks as CR LF in and out.
  std::wstring GetText() const;
  std::string GetUTF8Text() const;
  void SetText(const std::wstring& text);
  void SetUTF8Text(const std::string& text);
  void SetTextId(const std::wstring& id);
  int GetTextLength() const;
  bool IsEmpty() const { return GetTextLength() == 0; }

  // Selection in characters; -1 as the end means the end of the text.
  void SetSel(int start, int end);
  void GetSel(int* start, int* end) const;
  void SetSelAll() { SetSel(0, -1); }
  std::wstring GetSelText() const;
  void ReplaceSel(const std::wstring& text, bool can_undo = true);
  void Copy();
  void Cut();
  // Through the same filter as Ctrl+V.
  void Paste();
  void Clear();
  bool Undo();

  bool IsMultiLine() const { return (style_ & ES_MULTILINE) != 0; }
  void SetMultiLine(bool multi_line);
  bool IsReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only);
  bool IsPassword() const { return password_; }
  void SetPassword(bool password);
  bool IsNumberOnly() const { return digits_only_; }
  void SetNumberOnly(bool digits_only) { digits_only_ = digits_only; }
  bool IsRich() const { return rich_; }
  void SetRich(bool rich);
  bool IsWantTab() const { return want_tab_; }
  void SetWantTab(bool want_tab) { want_tab_ = want_tab; }
  bool IsNeedReturnMsg() const { return want_return_msg_; }
  void SetNeedReturnMsg(bool want) { want_return_msg_ = want; }
  bool IsReturnMsgWantCtrl() const { return return_msg_wants_ctrl_; }
  void SetReturnMsgWantCtrl(bool want) { return_msg_wants_ctrl_ = want; }
  // Characters the user may enter; 0 or less means the default.
  int GetLimitText() const;
  void SetLimitText(int limit);
  DWORD GetStyle() const { return style_; }

  const std::wstring& GetFont() const { return font_id_; }
  void SetFont(const std::wstring& font_id);
  void SetTextColor(const std::wstring& color);
  void SetDisabledTextColor(const std::wstring& color);
  void SetCaretColor(const std::wstring& color) { caret_color_ = color; }
  void SetPromptMode(bool on);
  void SetPromptText(const std::wstring& text);
  void SetPromptTextId(const std::wstring& id);
  // The text, or the language string of its id.
  std::wstring GetPromptText() const;
  void SetFocusedImage(const std::wstring& image_string);

  // A clickable range [first, end) of characters; rich text shows it as a
  // link too.
  void AddLinkInfo(int first, int end, const std::wstring& text);
  void ClearLinks();
  // The link text at a point in window coordinates; empty when none.
  std::wstring GetLinkAt(Point point) const;

  // Sends a message to the engine; 0 without one.
  LRESULT TxSendMessage(UINT message, WPARAM wparam, LPARAM lparam) const;
  bool HasEngine() const;
  // Where the caret was last put by the engine, in the control's
  // coordinates, and whether it is showing now.
  Rect GetCaretRect() const;
  bool IsCaretShown() const { return caret_shown_ && caret_phase_visible_; }

  // Tests drive the caret blink and the engine's timers by hand, and may
  // load the engine from another library.
  void SetTimerService(TimerService* service) override;
  static void SetLibraryForTesting(const std::wstring& path);

  // ScrollableBox
  void DoInit() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  Size EstimateSize(Size available) override;
  void SetPos(Rect rect) override;
  void SetEnabled(bool enabled) override;
  void HandleEvent(EventArgs* args) override;
  void PaintStateImages(IRenderContext* context) override;
  void PaintText(IRenderContext* context) override;
  void PaintChildren(IRenderContext* context, const Rect& dirty) override;
  void SetScrollPos(Size position) override;
  void PageUp() override;
  void PageDown() override;
  void HomeUp() override;
  void PageLeft() override;
  void PageRight() override;
  void HomeLeft() override;
  void EndRight() override;
  void EnableScrollBar(bool vertical, bool horizontal) override;

  // Called by the text host only.
  HWND HostWindowHandle() const;
  void OnHostScrollBarsChanged();
  void OnHostInvalidate(const RECT* rect);
  void OnHostCreateCaret(int width, int height);
  void OnHostShowCaret(bool show);
  void OnHostSetCaretPos(int x, int y);
  HRESULT OnHostNotify(DWORD notification, void* data);

 private:
  struct Link {
    int first;
    int end;
    std::wstring text;
  };

  void CreateHost();
  void ApplyStyleToHost();
  void ApplyTextColor();
  void ApplyFont();
  void ApplyLimit();
  // Characters as the engine counts them: each paragraph break is one.
  int CharacterCount() const;
  COLORREF CurrentTextColor() const;
  // Window client point to the coordinates the engine works in.
  Point ToEngine(Point point) const;
  LPARAM EngineLParam(Point point) const { return MAKELPARAM(point.x, point.y); }
  WPARAM MouseKeys(WPARAM base) const;
  void OnSetFocus();
  void OnKillFocus();
  bool HandleKeyDown(EventArgs* args);
  bool HandleChar(EventArgs* args);
  bool HandleMouse(EventArgs* args);
  bool PasteDigits();
  bool PastePlainText();
  void NotifyReturn();
  void StartCaretBlink();
  void StopCaretBlink();
  void InvalidateCaret();
  // Mirrors the engine's scroll state on the box's bars.
  // One of the engine's own scroll commands; false without an engine.
  bool EngineScroll(UINT message, WPARAM code);
  // True when a bar gained or lost its range.
  bool SyncScrollBars();
  Rect ComputeClientRect() const;
  // The natural height of the text laid out |width| wide; -1 without engine.
  int NaturalHeight(int width) const;
  std::wstring GetTextRange(int first, int end) const;
  int CharFromPoint(Point engine_point) const;
  void TraceLink(const std::wstring& text);
  void DrawTextWithoutEngine(IRenderContext* context);

  CTxtWinHost* host_ = nullptr;
  DWORD style_ = ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  bool read_only_ = false;
  bool password_ = false;
  bool digits_only_ = false;
  bool rich_ = false;
  bool want_tab_ = false;
  bool want_return_msg_ = false;
  bool return_msg_wants_ctrl_ = false;
  int text_valign_ = 0;
  std::wstring text_color_;
  std::wstring disabled_text_color_;
  std::wstring prompt_color_;
  std::wstring caret_color_;
  bool prompt_mode_ = false;
  std::wstring prompt_text_;
  std::wstring prompt_text_id_;
  Image focused_image_;
  std::wstring font_id_;
  std::vector<Link> links_;
  bool engine_focused_ = false;
  bool in_place_active_ = false;
  // The text while there is no engine: before it is made, and for good
  // when the library is missing.
  std::wstring pending_text_;
  DWORD limit_text_ = 0x7FFF;
  // A return key that raised the return event also eats its character.
  bool swallow_return_char_ = false;
  bool syncing_bars_ = false;
  Rect caret_rect_;
  bool caret_shown_ = false;
  bool caret_phase_visible_ = true;
  qbase::WeakCallbackFlag caret_flag_;
  TimerService* timer_service_ = nullptr;
};

}  // namespace ui
