#pragma once

#include <windows.h>

#include <imm.h>
#include <ole2.h>
#include <richedit.h>

namespace ui {

// The platform's windowless rich-edit interfaces, declared here because the
// MinGW header declares their members private. Member functions keep the
// compiler's default convention for members, as the platform's own header
// does: the engine calls its host that way.

enum TxtBackStyle { kTxtBackTransparent = 0, kTxtBackOpaque = 1 };
enum TxtNaturalSize { kTxtNaturalFitToContent = 1, kTxtNaturalRoundToLine = 2 };
enum TxtView { kTxtViewActive = 0, kTxtViewInactive = -1 };

// Host property bits.
constexpr DWORD kTxtBitRichText = 0x1;
constexpr DWORD kTxtBitMultiLine = 0x2;
constexpr DWORD kTxtBitReadOnly = 0x4;
constexpr DWORD kTxtBitUsePassword = 0x10;
constexpr DWORD kTxtBitHideSelection = 0x20;
constexpr DWORD kTxtBitSaveSelection = 0x40;
constexpr DWORD kTxtBitAutoWordSel = 0x80;
constexpr DWORD kTxtBitWordWrap = 0x400;
constexpr DWORD kTxtBitAllowBeep = 0x800;
constexpr DWORD kTxtBitDisableDrag = 0x1000;
constexpr DWORD kTxtBitViewInsetChange = 0x2000;
constexpr DWORD kTxtBitBackStyleChange = 0x4000;
constexpr DWORD kTxtBitMaxLengthChange = 0x8000;
constexpr DWORD kTxtBitScrollBarChange = 0x10000;
constexpr DWORD kTxtBitCharFormatChange = 0x20000;
constexpr DWORD kTxtBitParaFormatChange = 0x40000;
constexpr DWORD kTxtBitExtentChange = 0x80000;
constexpr DWORD kTxtBitClientRectChange = 0x100000;

class ITextServices : public IUnknown {
 public:
  virtual HRESULT TxSendMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) = 0;
  virtual HRESULT TxDraw(DWORD draw_aspect, LONG index, void* aspect, DVTARGETDEVICE* target_device, HDC draw,
                         HDC target_info, LPCRECTL bounds, LPCRECTL window_bounds, LPRECT update,
                         BOOL(CALLBACK* continue_callback)(DWORD), DWORD continue_value, LONG view_id) = 0;
  virtual HRESULT TxGetHScroll(LONG* min, LONG* max, LONG* pos, LONG* page, BOOL* enabled) = 0;
  virtual HRESULT TxGetVScroll(LONG* min, LONG* max, LONG* pos, LONG* page, BOOL* enabled) = 0;
  virtual HRESULT OnTxSetCursor(DWORD draw_aspect, LONG index, void* aspect, DVTARGETDEVICE* target_device, HDC draw,
                                HDC target_info, LPCRECT client, INT x, INT y) = 0;
  virtual HRESULT TxQueryHitPoint(DWORD draw_aspect, LONG index, void* aspect, DVTARGETDEVICE* target_device, HDC draw,
                                  HDC target_info, LPCRECT client, INT x, INT y, DWORD* hit) = 0;
  virtual HRESULT OnTxInPlaceActivate(LPCRECT client) = 0;
  virtual HRESULT OnTxInPlaceDeactivate() = 0;
  virtual HRESULT OnTxUIActivate() = 0;
  virtual HRESULT OnTxUIDeactivate() = 0;
  virtual HRESULT TxGetText(BSTR* text) = 0;
  virtual HRESULT TxSetText(LPCWSTR text) = 0;
  virtual HRESULT TxGetCurTargetX(LONG* x) = 0;
  virtual HRESULT TxGetBaseLinePos(LONG* position) = 0;
  virtual HRESULT TxGetNaturalSize(DWORD aspect, HDC draw, HDC target_info, DVTARGETDEVICE* target_device, DWORD mode,
                                   const SIZEL* extent, LONG* width, LONG* height) = 0;
  virtual HRESULT TxGetDropTarget(IDropTarget** target) = 0;
  virtual HRESULT OnTxPropertyBitsChange(DWORD mask, DWORD bits) = 0;
  virtual HRESULT TxGetCachedSize(DWORD* width, DWORD* height) = 0;
};

class ITextHost : public IUnknown {
 public:
  virtual HDC TxGetDC() = 0;
  virtual INT TxReleaseDC(HDC dc) = 0;
  virtual BOOL TxShowScrollBar(INT bar, BOOL show) = 0;
  virtual BOOL TxEnableScrollBar(INT flags, INT arrows) = 0;
  virtual BOOL TxSetScrollRange(INT bar, LONG min, INT max, BOOL redraw) = 0;
  virtual BOOL TxSetScrollPos(INT bar, INT pos, BOOL redraw) = 0;
  virtual void TxInvalidateRect(LPCRECT rect, BOOL mode) = 0;
  virtual void TxViewChange(BOOL update) = 0;
  virtual BOOL TxCreateCaret(HBITMAP bitmap, INT width, INT height) = 0;
  virtual BOOL TxShowCaret(BOOL show) = 0;
  virtual BOOL TxSetCaretPos(INT x, INT y) = 0;
  virtual BOOL TxSetTimer(UINT id, UINT timeout) = 0;
  virtual void TxKillTimer(UINT id) = 0;
  virtual void TxScrollWindowEx(INT dx, INT dy, LPCRECT scroll, LPCRECT clip, HRGN update_region, LPRECT update,
                                UINT flags) = 0;
  virtual void TxSetCapture(BOOL capture) = 0;
  virtual void TxSetFocus() = 0;
  virtual void TxSetCursor(HCURSOR cursor, BOOL text) = 0;
  virtual BOOL TxScreenToClient(LPPOINT point) = 0;
  virtual BOOL TxClientToScreen(LPPOINT point) = 0;
  virtual HRESULT TxActivate(LONG* old_state) = 0;
  virtual HRESULT TxDeactivate(LONG new_state) = 0;
  virtual HRESULT TxGetClientRect(LPRECT client) = 0;
  virtual HRESULT TxGetViewInset(LPRECT inset) = 0;
  virtual HRESULT TxGetCharFormat(const CHARFORMATW** format) = 0;
  virtual HRESULT TxGetParaFormat(const PARAFORMAT** format) = 0;
  virtual COLORREF TxGetSysColor(int index) = 0;
  virtual HRESULT TxGetBackStyle(TxtBackStyle* style) = 0;
  virtual HRESULT TxGetMaxLength(DWORD* length) = 0;
  virtual HRESULT TxGetScrollBars(DWORD* scroll_bars) = 0;
  virtual HRESULT TxGetPasswordChar(WCHAR* character) = 0;
  virtual HRESULT TxGetAcceleratorPos(LONG* position) = 0;
  virtual HRESULT TxGetExtent(LPSIZEL extent) = 0;
  virtual HRESULT OnTxCharFormatChange(const CHARFORMATW* format) = 0;
  virtual HRESULT OnTxParaFormatChange(const PARAFORMAT* format) = 0;
  virtual HRESULT TxGetPropertyBits(DWORD mask, DWORD* bits) = 0;
  virtual HRESULT TxNotify(DWORD notification, void* data) = 0;
  virtual HIMC TxImmGetContext() = 0;
  virtual void TxImmReleaseContext(HIMC context) = 0;
  virtual HRESULT TxGetSelectionBarWidth(LONG* width) = 0;
};

using CreateTextServicesFunction = HRESULT(WINAPI*)(IUnknown* outer, ITextHost* host, IUnknown** services);

}  // namespace ui
