// The sample product's main program: a window that shows the file it was started
// with. It carries the icons that file associations point at.
#include <windows.h>

namespace {

const char kClassName[] = "QuorbexDemoWindow";
char gShownText[1200];

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (dc != nullptr) {
        RECT area;
        GetClientRect(window, &area);
        InflateRect(&area, -12, -12);
        DrawTextA(dc, gShownText, -1, &area, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
        EndPaint(window, &paint);
      }
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
  if (commandLine != nullptr && commandLine[0] != '\0') {
    lstrcpynA(gShownText, "Quorbex32 opened:\r\n", sizeof gShownText);
    lstrcpynA(gShownText + lstrlenA(gShownText), commandLine, int(sizeof gShownText) - lstrlenA(gShownText));
  } else {
    lstrcpynA(gShownText, "Quorbex32 was started without a file.", sizeof gShownText);
  }

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(3));
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  if (RegisterClassA(&windowClass) == 0) return 1;

  HWND window = CreateWindowA(kClassName, "Quorbex32", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 480, 200, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
