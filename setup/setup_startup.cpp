// Start-up, the main window and shutdown.
#include <cstring>
#include <string_view>

#include "K_INI.h"
#include "ansi_win.h"
#include "bounded_text.h"
#include "dib_ops.h"
#include "finishing.h"
#include "setup_main.h"
#include "setup_paths.h"
#include "setup_screens.h"
#include "setup_settings.h"
#include "setup_state.h"

namespace {

constexpr int kMainWidth = 600;
constexpr int kMainHeight = 450;
constexpr char kMainClass[] = "KOLTASETUP_MAIN";

// Once the main window holds the shape, the system owns the region and deletes it with
// the window; shutdown must not delete it again.
bool shapeOwnedByWindow = false;

// The folder of the running program, with its "\", lower case; false when the module's
// path does not fit a 128-byte field (a cut path would name another folder).
bool ReadProgramFolder(HINSTANCE instance, char (&folder)[128]) {
  char path[128];
  const DWORD length = GetModuleFileNameA(instance, path, sizeof path);
  if (length == 0 || length >= sizeof path) return false;
  const auto separator =
      kolta::LastSeparator(std::string_view(path, length), kolta::Separators::BackslashOnly,
                           kolta::SystemLeadByte);
  if (!separator) return false;
  path[*separator + 1] = '\0';
  setup_paths::LowerCase(path);
  std::memcpy(folder, path, *separator + 2);
  return true;
}

// The language folder "<program folder>lan\<code>\setup\" and its settings file; false when
// either does not fit its field.
bool ComposeSkinPaths(SetupState& state) {
  kolta::InterfaceText skin;
  skin.Append(state.sourceDir).Append("lan\\").Append(state.languageCode).Append("\\setup\\");
  kolta::InterfaceText settings;
  settings.Append(skin.view()).Append("SETUP.INI");
  return skin.ok() && settings.ok() && skin.CopyTo(state.skinDir) &&
         settings.CopyTo(state.settingsFile);
}

// The character set is the system's default, so that texts are drawn in the system's ANSI
// code page (a double-byte settings file shows as written, not as Latin-1). A face name
// longer than a font can carry leaves the face to the system rather than naming another
// font by its first letters.
HFONT CreateSetupFont(const char* face, int height, int weight) {
  LOGFONTA font{};
  font.lfHeight = height;
  font.lfWeight = weight;
  font.lfCharSet = DEFAULT_CHARSET;
  if (std::strlen(face) < sizeof font.lfFaceName) std::strcpy(font.lfFaceName, face);
  return CreateFontIndirectA(&font);
}

}  // namespace

int SetupStartup(HINSTANCE instance) {
  SetupState& state = *GetSetupState();
  if (state.initialised == 1) return 0;

  UnitTableCreate();
  state.windowX = (GetSystemMetrics(SM_CXSCREEN) - kMainWidth) / 2;
  state.windowY = (GetSystemMetrics(SM_CYSCREEN) - kMainHeight) / 2;
  state.instance = instance;
  IniGetIni(state.configFileName);

  if (!ReadProgramFolder(instance, state.sourceDir)) return 0;
  std::memcpy(state.installDir, state.sourceDir, sizeof state.installDir);
  state.installMode = 1;

  kolta::InterfaceText mediumConfig;
  mediumConfig.Append(state.sourceDir).Append(state.configFileName);
  if (!mediumConfig.ok()) return 0;
  IniGetLocalSysLanStr(mediumConfig.c_str(), state.languageCode);
  if (!ComposeSkinPaths(state)) return 0;

  ReadStartupSettings();
  // The fonts come first: the existing-install check may already ask a question.
  state.titleFont = CreateSetupFont(state.fontName, 24, FW_BOLD);
  state.textFont = CreateSetupFont(state.fontName, 13, 0);
  state.messageFont = CreateSetupFont(state.fontName, 15, 0);
  if (!CheckExistingInstall()) return 0;

  if (!IniRightMode(kMainWidth, kMainHeight)) {
    SetupMessage(nullptr, "IDS_ERRORSCREEN", MB_OK);
    return 0;
  }
  state.background = MainWindowBackgroundCreate();
  if (state.background == nullptr) return 0;
  state.windowShape = MainWindowShapeCreate();  // none: the window stays rectangular

  state.initialised = 1;
  return 1;
}

int SetupCreateMainWindow(HINSTANCE instance) {
  if (!SetupStartup(instance)) return 0;
  SetupState& state = *GetSetupState();

  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = SetupMainWndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, "ICON");
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  windowClass.lpszClassName = kMainClass;
  RegisterClassA(&windowClass);

  state.mainWindow = CreateWindowExA(
      0, kMainClass, state.appName, WS_POPUP | WS_VISIBLE,
      (GetSystemMetrics(SM_CXSCREEN) - kMainWidth) / 2,
      (GetSystemMetrics(SM_CYSCREEN) - kMainHeight) / 2, kMainWidth, kMainHeight, nullptr,
      nullptr, instance, nullptr);
  if (state.mainWindow == nullptr) return 0;

  if (state.windowShape != nullptr && SetWindowRgn(state.mainWindow, state.windowShape, FALSE)) {
    shapeOwnedByWindow = true;
  }
  ShowWindow(state.mainWindow, SW_SHOW);
  UpdateWindow(state.mainWindow);
  return 1;
}

int SetupShutdown() {
  SetupState& state = *GetSetupState();
  // The fonts also exist when the start-up stopped after making them.
  for (HFONT* font : {&state.titleFont, &state.textFont, &state.messageFont}) {
    if (*font != nullptr) DeleteObject(*font);
    *font = nullptr;
  }
  if (state.initialised) {
    DeleteObject(state.background);
    if (!shapeOwnedByWindow) DeleteObject(state.windowShape);
    UnitTableFree();
    state = SetupState{};
  }
  shapeOwnedByWindow = false;
  return 0;
}
