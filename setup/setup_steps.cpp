// The main window and the chain of steps it posts to itself: logo, destination, install,
// finish, or the failure message. Each step runs to its end inside its WM_COMMAND handler;
// the screens are modal and the install pumps messages, so the window keeps painting.
#include <objbase.h>
#include <shlobj.h>

#include "file_install.h"
#include "finishing.h"
#include "gdi_owners.h"
#include "program_group.h"
#include "setup_main.h"
#include "setup_resources.h"
#include "setup_screens.h"
#include "setup_state.h"

namespace {

constexpr char kProgressClass[] = "KOLTASETUP_STATUS";

// Set until the first paint has started the sequence, however often the window paints.
int startPending = 1;

void PostStep(HWND window, SetupStep step) { PostMessageA(window, WM_COMMAND, step, 0); }

void RepaintNow(HWND window) {
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
}

void PaintBackground(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (dc != nullptr) {
    kolta::MemoryDC picture{dc, GetSetupState()->background};
    if (picture.get() != nullptr) BitBlt(dc, 0, 0, 600, 450, picture.get(), 0, 0, SRCCOPY);
  }
  EndPaint(window, &paint);
}

// A screen's result: only 1 goes on; 0 is the user's quit and -1 a dialog that could not
// be made, both of which end the setup.
SetupStep NextOr(int result, SetupStep next) { return result == 1 ? next : STEP_FAILED; }

void Finish(HWND window) {
  const int restart = InstallDirectX(GetSetupState()->instance, window);
  BringWindowToTop(window);
  RepaintNow(window);
  if (restart == 0) {
    SetupMessage(window, "IDS_SETUPGOOD", MB_OK);
    PostMessageA(window, WM_CLOSE, 0, 0);
  } else if (SetupMessage(window, "IDS_REBOOT", MB_YESNO) == 1) {
    ExitWindowsEx(0, 0xFFFFFFFF);  // the window stays until the session ends
  } else {
    PostMessageA(window, WM_CLOSE, 0, 0);
  }
}

void Fail(HWND window) {
  BringWindowToTop(window);
  RepaintNow(window);
  SetupMessage(window, "IDS_SETUPNOGOOD", MB_OK);
  PostMessageA(window, WM_CLOSE, 0, 0);
}

void RunStep(HWND window, WPARAM step) {
  switch (step) {
    case STEP_LOGO:
      if (startPending != 1) return;
      startPending = 0;
      PostStep(window, NextOr(ShowLogoScreen(window), STEP_DESTINATION));
      return;
    case STEP_DESTINATION:
      RepaintNow(window);
      PostStep(window, NextOr(ShowDestinationScreen(window), STEP_INSTALL));
      return;
    case STEP_INSTALL:
      RepaintNow(window);
      PostStep(window, NextOr(RunInstall(window), STEP_FINISH));
      return;
    case STEP_FINISH:
      Finish(window);
      return;
    case STEP_FAILED:
      Fail(window);
      return;
    default:
      return;  // not a step
  }
}

// The four install actions in order, each only after the one before succeeded.
int RunInstallActions(HWND owner) {
  return CreateDestinationDirs(owner) && CopySetupFiles(owner) && CreateProgramGroup(owner) &&
         WriteProductConfig(owner);
}

}  // namespace

LRESULT CALLBACK SetupMainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      SetFocus(window);
      CoInitialize(nullptr);  // for the shortcuts of the program group
      return 0;
    case WM_PAINT:
      PaintBackground(window);
      if (startPending == 1) PostStep(window, STEP_LOGO);
      return 0;
    case WM_COMMAND:
      if (lParam == 0) RunStep(window, wParam);
      return 0;
    case WM_DESTROY:
      SHChangeNotify(SHCNE_ALLEVENTS, SHCNF_FLUSH, nullptr, nullptr);
      CoUninitialize();
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

int RunInstall(HWND mainWindow) {
  const HINSTANCE instance = GetSetupState()->instance;
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = ProgressSkinWndProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  windowClass.lpszClassName = kProgressClass;
  RegisterClassA(&windowClass);

  int result = 0;
  if (ProgressLoad(mainWindow)) {
    HWND progress = CreateDialogParamA(instance, MAKEINTRESOURCEA(kProgressDialog), mainWindow,
                                       ProgressDialogProc, 0);
    if (progress != nullptr) {
      RepaintNow(progress);
      result = RunInstallActions(progress);
      DestroyWindow(progress);
    }
  }
  ProgressFree();
  UnregisterClassA(kProgressClass, instance);
  return result;
}
