// The modal agreement dialog: the "SPLASH" template with the agreement text,
// the kit's picture and the choice between accepting and refusing.
//
// What the dialog decides lives in agreement/agreement_rules; this file only
// reads the controls and carries the decisions out.
#include <windows.h>

#include "agreement/agreement_rules.h"
#include "agreement/agreement_session.h"
#include "agreement/dib_image.h"
#include "platform/win32/win32_platform.h"
#include "support/memory.h"

namespace kit {
namespace {

enum : int {
  kIdText = 1010,
  kIdAccept = 1013,
  kIdDontAccept = 1014,
  kIdPictureFrame = 1018,
};

// The dialog is modal and the launcher has one thread, so one dialog at a
// time: the procedures reach the launch's values through these.
AgreementSession* g_session = nullptr;
WNDPROC g_savedEditProc = nullptr;
// Whole lines that the edit shows, measured once: its size never changes.
u32 g_visibleLines = 1;
// "I &Accept" is disabled until the end of the text has been in view.
bool g_waitingForEnd = false;
// Nesting of the edit's procedure: the view is judged when the outermost
// message is done, never halfway through one.
int g_editDepth = 0;

// Queries go straight to the edit's own procedure, so that they do not come
// back through ours.
LRESULT CallSavedEdit(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(g_savedEditProc, edit, message, wParam, lParam);
}

u32 FirstVisibleLine(HWND edit) {
  return static_cast<u32>(CallSavedEdit(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
}

// Whole lines of the edit's font in its formatting rectangle.
u32 MeasureVisibleLines(HWND edit) {
  RECT rect = {};
  CallSavedEdit(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&rect));
  i32 lineHeight = 0;
  HDC dc = GetDC(edit);
  if (dc != nullptr) {
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(edit, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
    TEXTMETRICA metrics = {};
    if (GetTextMetricsA(dc, &metrics)) lineHeight = metrics.tmHeight;
    if (previous != nullptr) SelectObject(dc, previous);
    ReleaseDC(edit, dc);
  }
  return VisibleLineCount(rect.bottom - rect.top, lineHeight);
}

EditView ReadEditView(HWND edit) {
  EditView view;
  view.firstVisibleLine = FirstVisibleLine(edit);
  view.lineCount = static_cast<u32>(CallSavedEdit(edit, EM_GETLINECOUNT, 0, 0));
  view.visibleLines = g_visibleLines;
  return view;
}

// Scrolls the edit so that `line` is its first visible line again.
void ShowFromLine(HWND edit, u32 line) {
  i32 now = static_cast<i32>(FirstVisibleLine(edit));
  if (now != static_cast<i32>(line))
    CallSavedEdit(edit, EM_LINESCROLL, 0, static_cast<LPARAM>(static_cast<i32>(line) - now));
}

// Scroll requests towards the end that every edit with a scroll bar obeys:
// when one leaves the view where it was, the view is at its end.
bool AsksToScrollDown(UINT message, WPARAM wParam) {
  if (message != WM_VSCROLL && message != EM_SCROLL) return false;
  WORD request = LOWORD(wParam);
  return request == SB_LINEDOWN || request == SB_PAGEDOWN;
}

void EnableAcceptIfEndSeen(HWND edit, bool stalledDownward) {
  if (!g_waitingForEnd || g_session == nullptr) return;
  if (!ShouldEnableAccept(g_session->ScrollToAccept, ReadEditView(edit), stalledDownward)) return;
  g_waitingForEnd = false;
  HWND accept = GetDlgItem(GetParent(edit), kIdAccept);
  if (accept != nullptr) EnableWindow(accept, TRUE);
}

LRESULT CALLBACK AgreementEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  // No selection is ever shown in the agreement.
  if (message == WM_PAINT) SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);

  // Whatever moves the view - scroll bar, wheel, keys, EM_SCROLL, a drag -
  // passes through here, so the view is judged after every message.
  bool judge = g_waitingForEnd && g_editDepth == 0;
  u32 firstBefore = judge ? FirstVisibleLine(edit) : 0;
  // Some systems scroll a changed selection into view; a selection made by
  // the dialog manager or by the paint above must not move the text (a
  // jump to the end would count as the customer having read it).
  u32 keepFirst = message == EM_SETSEL ? FirstVisibleLine(edit) : 0;

  ++g_editDepth;
  LRESULT result = CallWindowProcA(g_savedEditProc, edit, message, wParam, lParam);
  --g_editDepth;

  if (message == EM_SETSEL) ShowFromLine(edit, keepFirst);
  if (judge && g_waitingForEnd) {
    bool stalled = AsksToScrollDown(message, wParam) && FirstVisibleLine(edit) <= firstBefore;
    EnableAcceptIfEndSeen(edit, stalled);
  }
  return result;
}

void CentreOnScreen(HWND dialog) {
  RECT rect = {};
  GetWindowRect(dialog, &rect);
  int x = GetSystemMetrics(SM_CXSCREEN) / 2 - (rect.right - rect.left) / 2;
  int y = GetSystemMetrics(SM_CYSCREEN) / 2 - (rect.bottom - rect.top) / 2;
  SetWindowPos(dialog, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
}

// Puts the text into the edit and decides whether "I &Accept" must wait.
// True when the edit took the focus.
bool ShowAgreementText(HWND dialog) {
  HWND edit = GetDlgItem(dialog, kIdText);
  if (edit == nullptr || g_session->AgreementText == nullptr) return false;
  SetWindowTextA(edit, g_session->AgreementText);
  g_savedEditProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_WNDPROC));
  SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AgreementEditProc));

  // The text takes the focus, so that keys and the wheel scroll it at once.
  // Given here rather than by the dialog manager, it comes without a
  // select-all, which some systems answer by scrolling to the end.
  SetFocus(edit);
  ShowFromLine(edit, 0);
  g_visibleLines = MeasureVisibleLines(edit);
  if (AcceptStartsDisabled(g_session->ScrollToAccept, ReadEditView(edit))) {
    HWND accept = GetDlgItem(dialog, kIdAccept);
    if (accept != nullptr) EnableWindow(accept, FALSE);
    g_waitingForEnd = true;
  }
  return true;
}

INT_PTR InitDialog(HWND dialog) {
  CentreOnScreen(dialog);
  bool focused = ShowAgreementText(dialog);
  HWND dontAccept = GetDlgItem(dialog, kIdDontAccept);
  if (dontAccept != nullptr) SendMessageA(dontAccept, BM_SETCHECK, BST_CHECKED, 0);
  if (g_session->AgreementCaption != nullptr) SetWindowTextA(dialog, g_session->AgreementCaption);
  // FALSE: the focus has been set here.
  return focused ? FALSE : TRUE;
}

// Draws the picture into its frame, sized to the picture plus the frame.
void PaintPicture(HWND dialog) {
  HWND frame = GetDlgItem(dialog, kIdPictureFrame);
  if (frame == nullptr) return;
  RECT rect = {};
  GetWindowRect(frame, &rect);
  DibImage* picture = g_session->SplashPicture != nullptr ? *g_session->SplashPicture : nullptr;
  i32 width = 0;
  i32 height = 0;
  if (picture != nullptr) picture->GetDrawnSize(&width, &height);
  POINT corner = {rect.left, rect.top};
  ScreenToClient(dialog, &corner);
  MoveWindow(frame, corner.x, corner.y, PictureFrameExtent(width), PictureFrameExtent(height),
             FALSE);

  HDC frameDc = GetDC(frame);
  if (frameDc == nullptr) return;
  HDC memoryDc = CreateCompatibleDC(frameDc);
  HBITMAP bitmap =
      picture != nullptr ? static_cast<HBITMAP>(picture->CreateDeviceBitmap(frameDc)) : nullptr;
  if (memoryDc != nullptr && bitmap != nullptr) {
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);
    BitBlt(frameDc, 0, 0, width, height, memoryDc, 0, 0, SRCCOPY);
    SelectObject(memoryDc, previous);
  }
  ReleaseDC(frame, frameDc);
  if (memoryDc != nullptr) DeleteDC(memoryDc);
  if (bitmap != nullptr) DeleteObject(bitmap);
}

INT_PTR Command(HWND dialog, UINT command) {
  HWND dontAccept = GetDlgItem(dialog, kIdDontAccept);
  bool dontAcceptChecked =
      dontAccept != nullptr && SendMessageA(dontAccept, BM_GETCHECK, 0, 0) == BST_CHECKED;
  AgreementOutcome outcome = CommandOutcome(command, dontAcceptChecked);
  if (outcome == AgreementOutcome::kNone) return FALSE;
  if (outcome == AgreementOutcome::kRefused && g_session->AgreementRefused != nullptr)
    *g_session->AgreementRefused = 1;
  EndDialog(dialog, 0);
  return TRUE;
}

// The holder is released with the dialog; nothing draws it afterwards.
void ReleasePicture() {
  if (g_session->SplashPicture == nullptr || *g_session->SplashPicture == nullptr) return;
  DibImage* picture = *g_session->SplashPicture;
  picture->Reset();
  DestroyObject(picture);
  *g_session->SplashPicture = nullptr;
}

INT_PTR CALLBACK AgreementDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (g_session == nullptr) return FALSE;
  switch (message) {
    case WM_INITDIALOG: return InitDialog(dialog);
    case WM_PAINT: PaintPicture(dialog); return FALSE;  // the dialog's own painting follows
    case WM_COMMAND: return Command(dialog, LOWORD(wParam));
    case WM_DESTROY: ReleasePicture(); return FALSE;
    default: return FALSE;
  }
}

}  // namespace

bool Win32Platform::RunAgreementDialog(AgreementSession& session) {
  g_session = &session;
  g_savedEditProc = nullptr;
  g_visibleLines = 1;
  g_waitingForEnd = false;
  g_editDepth = 0;
  INT_PTR result = DialogBoxParamA(static_cast<HINSTANCE>(instance_), "SPLASH", nullptr,
                                   &AgreementDialogProc, 0);
  g_session = nullptr;
  return result != -1;
}

}  // namespace kit
