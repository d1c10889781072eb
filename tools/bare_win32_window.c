/* The floor of start-up through Win32: one dialog-styled window of the given
 * client size, centred on the screen, filled with the dialog face colour in
 * WM_PAINT, then idle in the message loop until it is closed. The window
 * class, styles and painting are the plainest Windows offers; nothing else is
 * set up.
 *
 * Usage: bare_win32_window [WIDTH HEIGHT]   (default: the board, 519 x 426) */
#include <stdlib.h>
#include <windows.h>

static HBRUSH gFace;

static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      FillRect(dc, &paint.rcPaint, gFace);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)previous;
  (void)commandLine;
  int width = __argc > 2 ? atoi(__argv[1]) : 519;
  int height = __argc > 2 ? atoi(__argv[2]) : 426;
  gFace = CreateSolidBrush(RGB(0xD4, 0xD0, 0xC8));
  WNDCLASSW wc = {0};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
  wc.lpszClassName = L"BareWin32Window";
  if (RegisterClassW(&wc) == 0) return 1;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  const DWORD exStyle = WS_EX_DLGMODALFRAME;
  RECT outer = {0, 0, width, height};
  AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  int w = outer.right - outer.left;
  int h = outer.bottom - outer.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  HWND hwnd = CreateWindowExW(exStyle, wc.lpszClassName, L"bare Win32 window", style, x, y, w, h,
                              NULL, NULL, instance, NULL);
  if (hwnd == NULL) return 1;
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageW(&msg, NULL, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  DeleteObject(gFace);
  return 0;
}
