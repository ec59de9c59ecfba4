#include "ui/controls/txt_win_host.h"

#include <cwchar>

#include "ui/controls/rich_edit.h"
#include "ui/controls/text_services_library.h"
#include "ui/core/timer_service.h"

namespace ui {

namespace {

constexpr int kTwipsPerInch = 1440;

int ScreenPixelsPerInch() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace

CTxtWinHost::CTxtWinHost(RichEdit* owner) : owner_(owner) {
  char_format_.cbSize = sizeof(char_format_);
  char_format_.dwMask = CFM_SIZE | CFM_OFFSET | CFM_FACE | CFM_CHARSET | CFM_COLOR | CFM_BOLD | CFM_ITALIC |
                        CFM_UNDERLINE | CFM_STRIKEOUT | CFM_PROTECTED | CFM_LINK;
  char_format_.bCharSet = DEFAULT_CHARSET;
  char_format_.bPitchAndFamily = DEFAULT_PITCH;
  char_format_.yHeight = 12 * kTwipsPerInch / 96;
  std::wcsncpy(char_format_.szFaceName, L"Tahoma", LF_FACESIZE - 1);

  para_format_.cbSize = sizeof(para_format_);
  para_format_.dwMask = PFM_ALL;
  para_format_.wAlignment = PFA_LEFT;
  para_format_.cTabCount = 1;
  para_format_.rgxTabs[0] = lDefaultTab;
}

CTxtWinHost::~CTxtWinHost() = default;

bool CTxtWinHost::CreateServices(const TextServicesLibrary* library) {
  if (!library || services_) return services_ != nullptr;
  library_ = library;
  services_ = library->CreateServices(this);
  return services_ != nullptr;
}

void CTxtWinHost::Shutdown() {
  timers_.clear();
  owner_ = nullptr;
  if (ITextServices* services = services_) {
    services_ = nullptr;
    services->OnTxInPlaceDeactivate();
    services->Release();
  }
}

void CTxtWinHost::NotifyBits(DWORD bits) {
  if (services_) services_->OnTxPropertyBitsChange(bits, bits);
}

void CTxtWinHost::SetPropertyBit(DWORD bit, bool on) {
  const DWORD old = property_bits_;
  property_bits_ = on ? (property_bits_ | bit) : (property_bits_ & ~bit);
  if (old != property_bits_ && services_) services_->OnTxPropertyBitsChange(bit, property_bits_ & bit);
}

void CTxtWinHost::SetScrollBars(DWORD style_bits) {
  const DWORD bits = style_bits & (WS_VSCROLL | WS_HSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_DISABLENOSCROLL);
  if (bits == scroll_bars_) return;
  scroll_bars_ = bits;
  NotifyBits(kTxtBitScrollBarChange);
}

void CTxtWinHost::SetMaxLength(DWORD length) {
  if (length == max_length_) return;
  max_length_ = length;
  NotifyBits(kTxtBitMaxLengthChange);
}

void CTxtWinHost::SetClientRect(const Rect& rect) {
  if (rect == client_rect_) return;
  client_rect_ = rect;
  NotifyBits(kTxtBitClientRectChange);
}

void CTxtWinHost::SetFont(const std::wstring& face, int pixel_size, bool bold, bool italic, bool underline) {
  if (!face.empty()) {
    std::wmemset(char_format_.szFaceName, 0, LF_FACESIZE);
    std::wcsncpy(char_format_.szFaceName, face.c_str(), LF_FACESIZE - 1);
  }
  if (pixel_size > 0) char_format_.yHeight = pixel_size * kTwipsPerInch / ScreenPixelsPerInch();
  DWORD effects = char_format_.dwEffects & ~static_cast<DWORD>(CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE);
  if (bold) effects |= CFE_BOLD;
  if (italic) effects |= CFE_ITALIC;
  if (underline) effects |= CFE_UNDERLINE;
  char_format_.dwEffects = effects;
  char_format_.wWeight = bold ? FW_BOLD : FW_NORMAL;
  NotifyBits(kTxtBitCharFormatChange);
}

void CTxtWinHost::SetTextColor(COLORREF color) {
  char_format_.crTextColor = color;
  char_format_.dwEffects &= ~static_cast<DWORD>(CFE_AUTOCOLOR);
  NotifyBits(kTxtBitCharFormatChange);
}

void CTxtWinHost::SetParagraphAlignment(WORD alignment) {
  if (alignment == para_format_.wAlignment) return;
  para_format_.wAlignment = alignment;
  NotifyBits(kTxtBitParaFormatChange);
}

HWND CTxtWinHost::Window() const { return owner_ ? owner_->HostWindowHandle() : nullptr; }

HRESULT CTxtWinHost::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  const bool host = library_ ? IsEqualIID(iid, library_->host_iid()) : false;
  if (!host && !IsEqualIID(iid, IID_IUnknown)) return E_NOINTERFACE;
  *object = static_cast<ITextHost*>(this);
  AddRef();
  return S_OK;
}

ULONG CTxtWinHost::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }

ULONG CTxtWinHost::Release() {
  const LONG left = ::InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HDC CTxtWinHost::TxGetDC() {
  dc_window_ = Window();
  return ::GetDC(dc_window_);
}

INT CTxtWinHost::TxReleaseDC(HDC dc) { return ::ReleaseDC(dc_window_, dc); }

BOOL CTxtWinHost::TxShowScrollBar(INT, BOOL) {
  if (owner_) owner_->OnHostScrollBarsChanged();
  return TRUE;
}

BOOL CTxtWinHost::TxEnableScrollBar(INT, INT) { return TRUE; }

BOOL CTxtWinHost::TxSetScrollRange(INT, LONG, INT, BOOL) {
  if (owner_) owner_->OnHostScrollBarsChanged();
  return TRUE;
}

BOOL CTxtWinHost::TxSetScrollPos(INT, INT, BOOL) {
  if (owner_) owner_->OnHostScrollBarsChanged();
  return TRUE;
}

void CTxtWinHost::TxInvalidateRect(LPCRECT rect, BOOL) {
  if (owner_) owner_->OnHostInvalidate(rect);
}

void CTxtWinHost::TxViewChange(BOOL) {}

BOOL CTxtWinHost::TxCreateCaret(HBITMAP, INT width, INT height) {
  if (owner_) owner_->OnHostCreateCaret(width, height);
  return TRUE;
}

BOOL CTxtWinHost::TxShowCaret(BOOL show) {
  if (owner_) owner_->OnHostShowCaret(show != FALSE);
  return TRUE;
}

BOOL CTxtWinHost::TxSetCaretPos(INT x, INT y) {
  if (owner_) owner_->OnHostSetCaretPos(x, y);
  return TRUE;
}

BOOL CTxtWinHost::TxSetTimer(UINT id, UINT timeout) {
  if (!owner_) return FALSE;
  auto flag = std::make_unique<qbase::WeakCallbackFlag>();
  TimerService* service = timer_service_ ? timer_service_ : TimerService::GetInstance();
  // The flag dies with the host or its Shutdown, so the tick never runs
  // on a released engine.
  const bool added = service->AddCancelableTimer(
      flag->GetWeakFlag(),
      [this, id] {
        LRESULT result = 0;
        if (services_) services_->TxSendMessage(WM_TIMER, id, 0, &result);
      },
      static_cast<int>(timeout > 0x7FFFFFFF ? 0x7FFFFFFF : timeout), TimerService::kRepeatForever);
  timers_[id] = std::move(flag);
  return added ? TRUE : FALSE;
}

void CTxtWinHost::TxKillTimer(UINT id) { timers_.erase(id); }

void CTxtWinHost::TxScrollWindowEx(INT, INT, LPCRECT, LPCRECT, HRGN, LPRECT, UINT) {
  if (owner_) owner_->OnHostInvalidate(nullptr);
}

void CTxtWinHost::TxSetCapture(BOOL capture) {
  HWND window = Window();
  if (!window) return;
  if (capture) {
    ::SetCapture(window);
  } else if (::GetCapture() == window) {
    ::ReleaseCapture();
  }
}

void CTxtWinHost::TxSetFocus() {
  if (owner_) owner_->SetFocus();
}

void CTxtWinHost::TxSetCursor(HCURSOR cursor, BOOL) { ::SetCursor(cursor); }

BOOL CTxtWinHost::TxScreenToClient(LPPOINT point) {
  if (!point || !owner_) return FALSE;
  if (HWND window = Window()) ::ScreenToClient(window, point);
  const Point offset = owner_->GetScrollOffsetInScrollBox();
  point->x += offset.x;
  point->y += offset.y;
  return TRUE;
}

BOOL CTxtWinHost::TxClientToScreen(LPPOINT point) {
  if (!point || !owner_) return FALSE;
  const Point offset = owner_->GetScrollOffsetInScrollBox();
  point->x -= offset.x;
  point->y -= offset.y;
  if (HWND window = Window()) ::ClientToScreen(window, point);
  return TRUE;
}

HRESULT CTxtWinHost::TxActivate(LONG* old_state) {
  if (old_state) *old_state = 0;
  return S_OK;
}

HRESULT CTxtWinHost::TxDeactivate(LONG) { return S_OK; }

HRESULT CTxtWinHost::TxGetClientRect(LPRECT client) {
  if (!client) return E_INVALIDARG;
  *client = client_rect_;
  return S_OK;
}

HRESULT CTxtWinHost::TxGetViewInset(LPRECT inset) {
  if (!inset) return E_INVALIDARG;
  *inset = RECT{0, 0, 0, 0};
  return S_OK;
}

HRESULT CTxtWinHost::TxGetCharFormat(const CHARFORMATW** format) {
  if (!format) return E_INVALIDARG;
  *format = reinterpret_cast<const CHARFORMATW*>(&char_format_);
  return S_OK;
}

HRESULT CTxtWinHost::TxGetParaFormat(const PARAFORMAT** format) {
  if (!format) return E_INVALIDARG;
  *format = reinterpret_cast<const PARAFORMAT*>(&para_format_);
  return S_OK;
}

COLORREF CTxtWinHost::TxGetSysColor(int index) { return ::GetSysColor(index); }

HRESULT CTxtWinHost::TxGetBackStyle(TxtBackStyle* style) {
  if (!style) return E_INVALIDARG;
  // The control paints its own background and images under the text.
  *style = kTxtBackTransparent;
  return S_OK;
}

HRESULT CTxtWinHost::TxGetMaxLength(DWORD* length) {
  if (!length) return E_INVALIDARG;
  *length = max_length_;
  return S_OK;
}

HRESULT CTxtWinHost::TxGetScrollBars(DWORD* scroll_bars) {
  if (!scroll_bars) return E_INVALIDARG;
  *scroll_bars = scroll_bars_;
  return S_OK;
}

HRESULT CTxtWinHost::TxGetPasswordChar(WCHAR* character) {
  if (!character) return E_INVALIDARG;
  *character = L'*';
  return S_OK;
}

HRESULT CTxtWinHost::TxGetAcceleratorPos(LONG* position) {
  if (!position) return E_INVALIDARG;
  *position = -1;
  return S_OK;
}

HRESULT CTxtWinHost::TxGetExtent(LPSIZEL) { return E_NOTIMPL; }

HRESULT CTxtWinHost::OnTxCharFormatChange(const CHARFORMATW*) { return S_OK; }

HRESULT CTxtWinHost::OnTxParaFormatChange(const PARAFORMAT*) { return S_OK; }

HRESULT CTxtWinHost::TxGetPropertyBits(DWORD mask, DWORD* bits) {
  if (!bits) return E_INVALIDARG;
  *bits = property_bits_ & mask;
  return S_OK;
}

HRESULT CTxtWinHost::TxNotify(DWORD notification, void* data) {
  if (!owner_) return S_OK;
  // Handlers of the owner's events run from here; nothing of theirs may
  // unwind into the engine.
  try {
    return owner_->OnHostNotify(notification, data);
  } catch (...) {
    return S_OK;
  }
}

HIMC CTxtWinHost::TxImmGetContext() { return ::ImmGetContext(Window()); }

void CTxtWinHost::TxImmReleaseContext(HIMC context) { ::ImmReleaseContext(Window(), context); }

HRESULT CTxtWinHost::TxGetSelectionBarWidth(LONG* width) {
  if (!width) return E_INVALIDARG;
  *width = 0;
  return S_OK;
}

}  // namespace ui
