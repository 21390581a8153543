// The logo screen: the product's logo panel over the main window with an install button,
// which loads the setup information before the screen closes, and an exit button, which
// asks before quitting.
#include <new>

#include "setup_info_file.h"
#include "setup_resources.h"
#include "setup_screens.h"
#include "setup_state.h"
#include "skin_screen.h"

namespace {

constexpr char kClassName[] = "KOLTASETUP_LOGO";
constexpr int kX = 82;
constexpr int kY = 93;
constexpr int kWidth = 436;
constexpr int kHeight = 324;
constexpr POINT kInstallAt{31, 140};
constexpr POINT kExitAt{31, 218};
constexpr WPARAM kInstallCommand = 1;
constexpr WORD kExitCommand = 2;

// The logo screen while it is open: its skin (panel, install button, exit button).
struct LogoDialog {
  int loaded;
  SkinDialog skin;
  int x, y;
  // A command is being carried out: its message box runs a modal loop in which the skin
  // window still sees releases of the button that is still pressed.
  int busy;
};

// The open logo screen, for its window procedures.
LogoDialog* g_logo = nullptr;

SkinDialog* Skin() { return g_logo ? &g_logo->skin : nullptr; }

bool LoadSkin(LogoDialog& dialog, HWND mainWindow) {
  dialog.x = kX;
  dialog.y = kY;
  dialog.skin.width = kWidth;
  dialog.skin.height = kHeight;
  dialog.skin.panel = ComposeSkinPanel(mainWindow, "%slogo.jpg", "%slogoa.bmp", kX, kY);
  if (!dialog.skin.panel ||
      !AddSkinButton(&dialog.skin, "%ssetuphd.jpg", "%ssetuphda.bmp", kInstallAt.x,
                     kInstallAt.y) ||
      !AddSkinButton(&dialog.skin, "%sexit.jpg", "%sexita.bmp", kExitAt.x, kExitAt.y)) {
    return false;
  }
  dialog.loaded = 1;
  return true;
}

// Install (the first button) also chooses the hard-disk install; the commands go to the
// dialog on the next release, wherever it happens.
void PostCommand(HWND window, int button) {
  const WPARAM command = static_cast<WPARAM>(button + 1);
  if (command == kInstallCommand) GetSetupState()->installMode = 1;
  PostMessageA(GetParent(window), WM_COMMAND, command, 0);
}

LRESULT CALLBACK LogoSkinWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return SkinScreenWindowMessage(Skin(), nullptr, PostCommand, window, message, wParam, lParam);
}

// Places the screen at its place over the main window.
void OnInitDialog(HWND dialog) {
  const SetupState* state = GetSetupState();
  SetWindowTextA(dialog, state->appName);
  PlaceSkinScreen(dialog, kLogoSkinWindow, {state->windowX + kX, state->windowY + kY}, kWidth,
                  kHeight);
}

// Exit asks first; "no" shows both buttons released again and the screen stays.
void OnExit(HWND dialog) {
  if (SetupMessage(dialog, "IDS_SUREQUIT", MB_YESNO) == 1) {
    EndDialog(dialog, 0);
    return;
  }
  SkinDialogResetButtons(Skin());
  InvalidateRect(dialog, nullptr, FALSE);
}

// Install, and Enter from the dialog manager: the screen ends with the setup information
// loaded (1) or not (0, after its message).
void OnInstall(HWND dialog) { EndDialog(dialog, LoadSetupInfo(dialog)); }

void OnCommand(HWND dialog, WORD command) {
  if (!g_logo || g_logo->busy) return;
  g_logo->busy = 1;
  if (command == kExitCommand) {
    OnExit(dialog);
  } else {
    OnInstall(dialog);
  }
  g_logo->busy = 0;
}

INT_PTR CALLBACK LogoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      OnCommand(dialog, LOWORD(wParam));
      return TRUE;
    case WM_CTLCOLORDLG:
      return SkinScreenDialogBackground(wParam);
    default:
      return FALSE;
  }
}

}  // namespace

int ShowLogoScreen(HWND mainWindow) {
  RegisterSkinWindowClass(kClassName, LogoSkinWndProc);
  SkinScreenPtr<LogoDialog> dialog(new (std::nothrow) LogoDialog{});
  if (!dialog || !LoadSkin(*dialog, mainWindow)) return 0;

  g_logo = dialog.get();
  const INT_PTR result = DialogBoxParamA(GetSetupState()->instance, MAKEINTRESOURCEA(kLogoDialog),
                                         mainWindow, LogoDialogProc, 0);
  g_logo = nullptr;
  UnregisterClassA(kClassName, GetSetupState()->instance);
  return static_cast<int>(result);
}
