// The demo product's main program: one ordinary window, titled "Kolta Demo", that says
// the product is installed, in which folder this program lies and which folder the
// product's configuration file records (read through K_INI).
#include <windows.h>
#include <windowsx.h>

#include <string>

#include "K_INI.h"

namespace {

constexpr char kClassName[] = "KoltaDemoMain";
constexpr char kTitle[] = "Kolta Demo";
constexpr int kMargin = 16;

// What the window shows; composed once at start-up.
struct DemoWindow {
  std::string text;
  HFONT font = nullptr;
};

DemoWindow g_window;

// The folder of this program, ending in "\"; empty when the system cannot tell it.
std::string ProgramFolder() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);  // the name was cut: try a larger buffer
  }
  const std::size_t separator = path.find_last_of('\\');
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string RecordedInstallFolder() {
  char folder[K_INI_TEXT_SIZE] = "";
  return IniGetInstallPath(folder) ? std::string(folder) : std::string("(none recorded)");
}

std::string ComposeText() {
  std::string folder = ProgramFolder();
  if (folder.empty()) folder = "(unknown)";
  return std::string("Kolta Demo is installed.\r\n\r\nProgram folder:\r\n    ") + folder +
         "\r\n\r\nInstalled folder recorded in the configuration file:\r\n    " +
         RecordedInstallFolder();
}

void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  InflateRect(&client, -kMargin, -kMargin);
  const HGDIOBJ oldFont = SelectObject(dc, g_window.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  DrawTextA(dc, g_window.text.c_str(), static_cast<int>(g_window.text.size()), &client,
            DT_LEFT | DT_TOP | DT_NOPREFIX | DT_WORDBREAK);
  SelectObject(dc, oldFont);
  EndPaint(window, &paint);
}

void OnDestroy(HWND) { PostQuitMessage(0); }

LRESULT CALLBACK DemoWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    HANDLE_MSG(window, WM_PAINT, OnPaint);
    HANDLE_MSG(window, WM_DESTROY, OnDestroy);
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  g_window.text = ComposeText();
  g_window.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DemoWndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassA(&windowClass)) return 1;

  HWND window = CreateWindowA(kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 480, 240, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, showCommand);
  UpdateWindow(window);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
