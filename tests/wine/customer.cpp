// Acts as the customer in front of the launcher's agreement dialog, for the
// end-to-end tests. Each argument is one step, done in order:
//
//   report          print the dialog's state as one line of JSON
//   accept          click "I &Accept" (only when it is enabled, as a mouse
//                   click would; prints a note otherwise)
//   dont-accept     click "I &Don't Accept"
//   continue        click "&Continue"
//   cancel          click "Ca&ncel"
//   escape, enter, tab
//                   press the key in the control that has the focus
//   line-down, page-down, wheel-down, em-scroll, key-down, key-pgdn
//                   scroll the agreement one way or another
//   thumb:N         drag the scroll box to line N and let go
//   scroll-to-end   page down until the view stops moving
//   wait:MS         do nothing for MS milliseconds (a screenshot moment)
//   gone            wait until the dialog has closed
//
// It first waits up to 15 seconds for the dialog to appear. Exit code 0
// when every step could be done, 2 when the dialog never appeared, 3 when a
// step failed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "signup/report.h"

namespace {

constexpr int kIdText = 1010;
constexpr int kIdAccept = 1013;
constexpr int kIdDontAccept = 1014;
constexpr int kIdContinue = 3;
constexpr int kIdCancel = 2;
constexpr int kIdFrame = 1018;

HWND FindDialog(DWORD waitMs) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND dialog = FindWindowA("#32770", nullptr);
    if (dialog != nullptr && IsWindowVisible(dialog)) return dialog;
    if (GetTickCount() - start > waitMs) return nullptr;
    Sleep(20);
  }
}

// Lets the dialog's thread handle what was sent or posted.
void Settle() { Sleep(150); }

std::string Button(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (button == nullptr) return "null";
  bool checked = SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
  return std::string("{\"enabled\":") + (IsWindowEnabled(button) ? "true" : "false") +
         ",\"checked\":" + (checked ? "true" : "false") + "}";
}

HWND FocusOf(HWND dialog) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
  if (!GetGUIThreadInfo(thread, &info)) return nullptr;
  return info.hwndFocus;
}

void Report(HWND dialog) {
  char caption[512] = {};
  GetWindowTextA(dialog, caption, sizeof caption);
  HWND edit = GetDlgItem(dialog, kIdText);
  long first = edit ? static_cast<long>(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0)) : -1;
  long lines = edit ? static_cast<long>(SendMessageA(edit, EM_GETLINECOUNT, 0, 0)) : -1;
  long length = edit ? static_cast<long>(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0)) : -1;
  DWORD selection = edit ? static_cast<DWORD>(SendMessageA(edit, EM_GETSEL, 0, 0)) : 0;
  RECT frame = {};
  HWND frameWindow = GetDlgItem(dialog, kIdFrame);
  if (frameWindow != nullptr) GetWindowRect(frameWindow, &frame);
  RECT box = {};
  GetWindowRect(dialog, &box);
  HWND focus = FocusOf(dialog);
  int focusId = focus != nullptr ? GetDlgCtrlID(focus) : 0;
  LONG style = GetWindowLongA(dialog, GWL_STYLE);

  std::printf(
      "{\"caption\":%s,\"accept\":%s,\"dontAccept\":%s,\"continue\":%s,"
      "\"cancel\":%s,"
      "\"firstVisibleLine\":%ld,\"lineCount\":%ld,\"textLength\":%ld,"
      "\"selection\":[%u,%u],\"focus\":%d,\"systemMenu\":%s,"
      "\"frame\":{\"width\":%ld,\"height\":%ld},"
      "\"dialog\":{\"x\":%ld,\"y\":%ld,\"width\":%ld,\"height\":%ld},"
      "\"screen\":{\"width\":%d,\"height\":%d}}\n",
      signup::JsonString(caption).c_str(), Button(dialog, kIdAccept).c_str(),
      Button(dialog, kIdDontAccept).c_str(), Button(dialog, kIdContinue).c_str(),
      Button(dialog, kIdCancel).c_str(), first, lines, length, LOWORD(selection), HIWORD(selection),
      focusId, (style & WS_SYSMENU) ? "true" : "false", frame.right - frame.left,
      frame.bottom - frame.top, box.left, box.top, box.right - box.left, box.bottom - box.top,
      GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  std::fflush(stdout);
}

bool Click(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (button == nullptr) return false;
  // A disabled control takes no clicks from a real mouse.
  if (!IsWindowEnabled(button)) {
    std::printf("{\"note\":\"control %d is disabled\"}\n", id);
    std::fflush(stdout);
    return true;
  }
  // Posted, as a real click would be: a sent click that ends the dialog
  // would keep this program waiting on the dialog's end.
  PostMessageA(button, BM_CLICK, 0, 0);
  Settle();
  return true;
}

// Posted, as the keyboard would; a report that follows waits for them.
void PressKey(HWND target, WPARAM key) {
  PostMessageA(target, WM_KEYDOWN, key, 1);
  PostMessageA(target, WM_KEYUP, key, 0xC0000001);
  Sleep(20);
}

long FirstLine(HWND edit) {
  return static_cast<long>(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
}

bool Step(HWND dialog, const std::string& step) {
  HWND edit = GetDlgItem(dialog, kIdText);
  if (step == "report") {
    Settle();
    Report(dialog);
  } else if (step == "accept") {
    return Click(dialog, kIdAccept);
  } else if (step == "dont-accept") {
    return Click(dialog, kIdDontAccept);
  } else if (step == "continue") {
    return Click(dialog, kIdContinue);
  } else if (step == "cancel") {
    return Click(dialog, kIdCancel);
  } else if (step == "escape" || step == "enter" || step == "tab") {
    HWND focus = FocusOf(dialog);
    WPARAM key = step == "escape" ? VK_ESCAPE : step == "enter" ? VK_RETURN : VK_TAB;
    PressKey(focus != nullptr ? focus : dialog, key);
    Settle();
  } else if (step == "line-down") {
    SendMessageA(edit, WM_VSCROLL, SB_LINEDOWN, 0);
  } else if (step == "page-down") {
    SendMessageA(edit, WM_VSCROLL, SB_PAGEDOWN, 0);
  } else if (step == "wheel-down") {
    SendMessageA(edit, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  } else if (step == "em-scroll") {
    SendMessageA(edit, EM_SCROLL, SB_PAGEDOWN, 0);
  } else if (step == "key-down") {
    PressKey(edit, VK_DOWN);
  } else if (step == "key-pgdn") {
    PressKey(edit, VK_NEXT);
  } else if (step.rfind("thumb:", 0) == 0) {
    WORD line = static_cast<WORD>(std::atoi(step.c_str() + 6));
    SendMessageA(edit, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, line), 0);
    SendMessageA(edit, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, line), 0);
    SendMessageA(edit, WM_VSCROLL, SB_ENDSCROLL, 0);
  } else if (step == "scroll-to-end") {
    for (int i = 0; i < 10000; ++i) {
      long before = FirstLine(edit);
      SendMessageA(edit, WM_VSCROLL, SB_PAGEDOWN, 0);
      if (FirstLine(edit) == before) break;
    }
  } else if (step.rfind("wait:", 0) == 0) {
    Sleep(static_cast<DWORD>(std::atoi(step.c_str() + 5)));
  } else if (step == "gone") {
    DWORD start = GetTickCount();
    while (IsWindow(dialog)) {
      if (GetTickCount() - start > 15000) return false;
      Sleep(20);
    }
  } else {
    std::fprintf(stderr, "unknown step: %s\n", step.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  HWND dialog = FindDialog(15000);
  if (dialog == nullptr) {
    std::printf("{\"error\":\"no dialog\"}\n");
    return 2;
  }
  Settle();
  for (int i = 1; i < argc; ++i) {
    if (!Step(dialog, argv[i])) {
      std::printf("{\"error\":\"step %s failed\"}\n", argv[i]);
      return 3;
    }
  }
  return 0;
}
