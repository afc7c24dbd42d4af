// The About dialog.
#include "platform/win32/win32_about_box.h"

#include <string>

#include "platform/win32/guarded.h"
#include "platform/win32/gui_tally.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/win32_codec.h"
#include "platform/win32/win32_page_window.h"
#include "platform/win32/win32_tree_view.h"

namespace bellnest::win32 {

namespace {

// The dialog's design, in twips.
constexpr int kClientWidth = 5730;
constexpr int kClientHeight = 4035;
struct Item {
  const wchar_t* windowClass;
  DWORD style;
  int id;
  int left, top, width, height;
  bool bold;
};
enum : int { kIcon = 200, kDescription, kDisclaimer, kTitle, kVersion, kCompany };
// In tab order. The company block holds two lines (company, support address), so it is two
// lines high; the warning runs down to the dialog's foot so that its last line shows.
constexpr Item kItems[] = {
    {L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 4320, 3000, 1260, 345, false},
    {L"STATIC", SS_ICON, kIcon, 240, 240, 540, 540, false},
    {L"STATIC", SS_LEFT | SS_NOPREFIX, kDescription, 1050, 1125, 3885, 570, false},
    {L"STATIC", SS_LEFT | SS_NOPREFIX, kDisclaimer, 255, 2625, 3870, 1350, false},
    {L"STATIC", SS_LEFT | SS_NOPREFIX, kTitle, 1050, 240, 3885, 480, true},
    {L"STATIC", SS_LEFT | SS_NOPREFIX, kVersion, 1050, 780, 3885, 225, false},
    {L"STATIC", SS_LEFT | SS_NOPREFIX, kCompany, 1080, 1800, 3975, 510, true},
};
// The etched separator: a grey line and, below it, a white one two pixels high.
constexpr int kGreyLine[] = {90, 5654, 2445};
constexpr int kWhiteLine[] = {105, 5654, 2460};

struct DialogState {
  const AboutBoxTexts* texts;
  HWND centreOn;
  POINT dpi;
  HFONT bold = nullptr;
  HFONT normal = nullptr;
  HICON icon = nullptr;
  bool ownIcon = false;
};

// An empty dialog: the controls are placed in pixels when it opens.
struct EmptyTemplate {
  DLGTEMPLATE dialog;
  WORD menu, windowClass, title;
};

std::wstring TextFor(int id, const AboutBoxTexts& texts) {
  switch (id) {
    case IDOK: return L"OK";
    case kDescription: return Utf8ToWide(texts.Description);
    case kDisclaimer: return Utf8ToWide(texts.Disclaimer);
    case kTitle: return Utf8ToWide(texts.Title);
    case kVersion: return Utf8ToWide(texts.Version);
    case kCompany: return Utf8ToWide(texts.Company);
    default: return L"";
  }
}

void Open(HWND dialog, DialogState& state) {
  const POINT dpi = state.dpi;
  ::SetWindowTextW(dialog, Utf8ToWide(state.texts->Caption).c_str());

  // 9.75 points at weight 700, as a character height in pixels.
  state.bold = Tallied(GuiObject::Font, ::CreateFontW(-::MulDiv(975, dpi.y, 7200), 0, 0, 0, FW_BOLD, FALSE, FALSE,
                                                      FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                                      DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif"));
  state.icon = Tallied(
      GuiObject::Icon,
      static_cast<HICON>(::LoadImageW(ThisModule(), MAKEINTRESOURCEW(BELLNEST_IDI_PRODUCT), IMAGE_ICON, 32, 32, 0)));
  state.ownIcon = state.icon != nullptr;
  if (!state.icon) state.icon = ::LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // the stock application icon
  state.normal = CreateDesignFont(dpi.y);
  const auto normal = reinterpret_cast<WPARAM>(state.normal);

  for (const Item& item : kItems) {
    const RECT r = TwipsToPixels(item.left, item.top, item.width, item.height, dpi.x, dpi.y);
    HWND control = ::CreateWindowExW(0, item.windowClass, TextFor(item.id, *state.texts).c_str(),
                                     WS_CHILD | WS_VISIBLE | item.style, r.left, r.top, r.right - r.left,
                                     r.bottom - r.top, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)),
                                     ThisModule(), nullptr);
    if (!control) continue;
    ::SendMessageW(control, WM_SETFONT, item.bold && state.bold ? reinterpret_cast<WPARAM>(state.bold) : normal, FALSE);
    if (item.id == kIcon) ::SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(state.icon), 0);
  }
  ::SendMessageW(dialog, DM_SETDEFID, IDOK, 0);

  // Client area from the design, the window around it, centred on the page.
  RECT frame = TwipsToPixels(0, 0, kClientWidth, kClientHeight, dpi.x, dpi.y);
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT around;
  if (!state.centreOn || !::GetWindowRect(state.centreOn, &around)) {
    around = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
  const int x = (around.left + around.right - width) / 2;
  const int y = (around.top + around.bottom - height) / 2;
  ::SetWindowPos(dialog, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetFocus(::GetDlgItem(dialog, IDOK));
}

void PaintSeparator(HWND dialog, const DialogState& state) {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(dialog, &paint);
  auto line = [&](const int (&twips)[3], int pixelsHigh, COLORREF colour) {
    const int x1 = ::MulDiv(twips[0], state.dpi.x, 1440);
    const int x2 = ::MulDiv(twips[1], state.dpi.x, 1440);
    const int y = ::MulDiv(twips[2], state.dpi.y, 1440);
    RECT r{x1, y, x2, y + pixelsHigh};
    HBRUSH brush = Tallied(GuiObject::Brush, ::CreateSolidBrush(colour));
    ::FillRect(dc, &r, brush);
    if (brush && ::DeleteObject(brush)) TallyDestroyed(GuiObject::Brush);
  };
  line(kGreyLine, 1, RGB(0x80, 0x80, 0x80));
  line(kWhiteLine, 2, RGB(0xFF, 0xFF, 0xFF));
  ::EndPaint(dialog, &paint);
}

INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<DialogState*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      Open(dialog, *reinterpret_cast<DialogState*>(lParam));
      return FALSE;  // the focus is set: OK
    case WM_PAINT:
      if (!state) return FALSE;
      PaintSeparator(dialog, *state);
      return TRUE;
    case WM_COMMAND:
      // OK, Enter (the default button) and Esc (IDCANCEL) all close it.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(dialog, IDOK);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      if (state) {
        if (state->bold && ::DeleteObject(state->bold)) TallyDestroyed(GuiObject::Font);
        DeleteDesignFont(state->normal);
        if (state->ownIcon && ::DestroyIcon(state->icon)) TallyDestroyed(GuiObject::Icon);
        state->bold = state->normal = nullptr;
        state->icon = nullptr;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  // Called from user32's dialog manager: nothing may unwind into it.
  return Guarded("frmPPAbout", INT_PTR{FALSE}, [&] { return Handle(dialog, message, wParam, lParam); });
}

}  // namespace

void RunAboutBox(HWND owner, HWND centreOn, const AboutBoxTexts& texts) {
  DialogState state{&texts, centreOn, ScreenDpi()};
  EmptyTemplate empty = {};
  empty.dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  ::DialogBoxIndirectParamW(ThisModule(), &empty.dialog, owner, &AboutProc, reinterpret_cast<LPARAM>(&state));
}

}  // namespace bellnest::win32
