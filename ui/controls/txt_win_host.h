#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "base/weak_callback.h"
#include "ui/controls/text_services.h"
#include "ui/core/rect.h"

namespace ui {

class RichEdit;
class TextServicesLibrary;
class TimerService;

// The rich edit's side of the text-services contract: the engine asks it
// for the window, the device context, the client rectangle, the caret,
// timers, scroll bars and its character and paragraph defaults, and tells it
// what changed. Reference-counted like any COM object; the rich edit holds
// one reference and cuts itself off in Shutdown before letting go.
class CTxtWinHost final : public ITextHost {
 public:
  static constexpr DWORD kDefaultMaxLength = 0x7FFF;

  explicit CTxtWinHost(RichEdit* owner);
  CTxtWinHost(const CTxtWinHost&) = delete;
  CTxtWinHost& operator=(const CTxtWinHost&) = delete;

  // Creates the engine from |library| over the defaults set so far; false
  // leaves the host without one.
  bool CreateServices(const TextServicesLibrary* library);
  // Releases the engine and its timers; nothing reaches the owner after.
  void Shutdown();
  ITextServices* services() const { return services_; }

  // What the owner decides; each tells the engine when it has one.
  void SetPropertyBit(DWORD bit, bool on);
  DWORD property_bits() const { return property_bits_; }
  void SetScrollBars(DWORD style_bits);
  void SetMaxLength(DWORD length);
  DWORD max_length() const { return max_length_; }
  void SetClientRect(const Rect& rect);
  const Rect& client_rect() const { return client_rect_; }
  // Face, size in pixels and styles of the default character format.
  void SetFont(const std::wstring& face, int pixel_size, bool bold, bool italic, bool underline);
  void SetTextColor(COLORREF color);
  void SetParagraphAlignment(WORD alignment);
  void SetTimerService(TimerService* service) { timer_service_ = service; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // ITextHost
  HDC TxGetDC() override;
  INT TxReleaseDC(HDC dc) override;
  BOOL TxShowScrollBar(INT bar, BOOL show) override;
  BOOL TxEnableScrollBar(INT flags, INT arrows) override;
  BOOL TxSetScrollRange(INT bar, LONG min, INT max, BOOL redraw) override;
  BOOL TxSetScrollPos(INT bar, INT pos, BOOL redraw) override;
  void TxInvalidateRect(LPCRECT rect, BOOL mode) override;
  void TxViewChange(BOOL update) override;
  BOOL TxCreateCaret(HBITMAP bitmap, INT width, INT height) override;
  BOOL TxShowCaret(BOOL show) override;
  BOOL TxSetCaretPos(INT x, INT y) override;
  BOOL TxSetTimer(UINT id, UINT timeout) override;
  void TxKillTimer(UINT id) override;
  void TxScrollWindowEx(INT dx, INT dy, LPCRECT scroll, LPCRECT clip, HRGN update_region, LPRECT update,
                        UINT flags) override;
  void TxSetCapture(BOOL capture) override;
  void TxSetFocus() override;
  void TxSetCursor(HCURSOR cursor, BOOL text) override;
  BOOL TxScreenToClient(LPPOINT point) override;
  BOOL TxClientToScreen(LPPOINT point) override;
  HRESULT TxActivate(LONG* old_state) override;
  HRESULT TxDeactivate(LONG new_state) override;
  HRESULT TxGetClientRect(LPRECT client) override;
  HRESULT TxGetViewInset(LPRECT inset) override;
  HRESULT TxGetCharFormat(const CHARFORMATW** format) override;
  HRESULT TxGetParaFormat(const PARAFORMAT** format) override;
  COLORREF TxGetSysColor(int index) override;
  HRESULT TxGetBackStyle(TxtBackStyle* style) override;
  HRESULT TxGetMaxLength(DWORD* length) override;
  HRESULT TxGetScrollBars(DWORD* scroll_bars) override;
  HRESULT TxGetPasswordChar(WCHAR* character) override;
  HRESULT TxGetAcceleratorPos(LONG* position) override;
  HRESULT TxGetExtent(LPSIZEL extent) override;
  HRESULT OnTxCharFormatChange(const CHARFORMATW* format) override;
  HRESULT OnTxParaFormatChange(const PARAFORMAT* format) override;
  HRESULT TxGetPropertyBits(DWORD mask, DWORD* bits) override;
  HRESULT TxNotify(DWORD notification, void* data) override;
  HIMC TxImmGetContext() override;
  void TxImmReleaseContext(HIMC context) override;
  HRESULT TxGetSelectionBarWidth(LONG* width) override;

 private:
  ~CTxtWinHost();
  HWND Window() const;
  void NotifyBits(DWORD bits);

  LONG references_ = 1;
  RichEdit* owner_;
  ITextServices* services_ = nullptr;
  const TextServicesLibrary* library_ = nullptr;
  DWORD property_bits_ = 0;
  DWORD scroll_bars_ = 0;
  DWORD max_length_ = kDefaultMaxLength;
  CHARFORMAT2W char_format_ = {};
  PARAFORMAT2 para_format_ = {};
  Rect client_rect_;
  // The DC handed out by TxGetDC belongs to this window.
  HWND dc_window_ = nullptr;
  // One repeating timer per identifier; a new request replaces the old one.
  std::map<UINT, std::unique_ptr<qbase::WeakCallbackFlag>> timers_;
  TimerService* timer_service_ = nullptr;
};

}  // namespace ui
