// The destination screen: a skinned panel over the main window on which the user picks the
// install folder from a drive list, a path edit box and a folder list, sees the space the
// installation needs and the space free on the drive, and goes on with next or quits with
// exit. Unlike the other screens the dialog window itself paints the skin and takes the
// mouse; its three controls are ordinary child windows placed over the panel.
//
// The path rules themselves (what a typed path must look like, how list and drive choices
// change the path) live in destination_path.h; this file connects them to the controls.
#include <windows.h>

#include <climits>
#include <string_view>

#include "ansi_win.h"
#include "destination_path.h"
#include "file_install.h"
#include "gdi_owners.h"
#include "setup_info.h"
#include "setup_paths.h"
#include "setup_resources.h"
#include "setup_screens.h"
#include "setup_settings.h"
#include "setup_state.h"
#include "skin_dialog.h"
#include "skin_screen.h"

namespace {

using destination_path::Path;

constexpr kolta::LeadBytePredicate kLead = kolta::SystemLeadByte;

constexpr int kScreenX = 82, kScreenY = 93, kScreenWidth = 436, kScreenHeight = 324;
constexpr int kNextCommand = 1, kExitCommand = 2;

// A drop-down list's window is given the height of its dropped list (here eight drives
// below the field); the control itself sizes its visible field to one line of its font.
constexpr int kDriveListDroppedHeight = 20 + 8 * 16;

struct ControlPlace {
  int id, x, y, width, height;
};
constexpr ControlPlace kControlPlaces[] = {
    {kDestinationDriveList, 85, 27, 70, kDriveListDroppedHeight},
    {kDestinationEdit, 85, 85, 240, 20},
    {kDestinationFolderList, 85, 115, 240, 95},
};

// Names from the lists and folder listing patterns are handled in buffers larger than any
// path of the screen, so that a long name is refused whole instead of arriving cut.
using ListText = char[MAX_PATH + 8];

constexpr int kFolderListing = DDL_EXCLUSIVE | DDL_DIRECTORY;

// The screen's object: one while the screen is shown.
struct DestinationScreen {
  int loaded;
  SkinDialog skin;  // the panel, the paint buffer, next and exit
  int x, y;
  unsigned freeMB;
  unsigned neededMB;
  char path[128];  // without trailing backslash while the screen runs
};

DestinationScreen* g_destination = nullptr;

int LoadSkin(DestinationScreen* screen, HWND mainWindow) {
  screen->x = kScreenX;
  screen->y = kScreenY;
  screen->skin.width = kScreenWidth;
  screen->skin.height = kScreenHeight;
  screen->skin.panel =
      ComposeSkinPanel(mainWindow, "%schoose.jpg", "%schoosea.bmp", kScreenX, kScreenY);
  if (!screen->skin.panel ||
      !AddSkinButton(&screen->skin, "%snext.jpg", "%snexta.bmp", 290, 205) ||
      !AddSkinButton(&screen->skin, "%sexit.jpg", "%sexita.bmp", 290, 249)) {
    return 0;
  }
  screen->loaded = 1;
  return 1;
}

void FreeScreen(DestinationScreen* screen) {
  SkinDialogFree(&screen->skin);
  *screen = DestinationScreen{};
}

// A count of megabytes as a message's number, which is signed: one too large for it says
// the most it can rather than a negative amount.
int MessageNumber(unsigned megabytes) {
  return megabytes > INT_MAX ? INT_MAX : static_cast<int>(megabytes);
}

std::string_view CurrentPath() { return g_destination->path; }

void SetPath(HWND dialog, const Path& path) {
  path.CopyTo(g_destination->path);
  SetDlgItemTextA(dialog, kDestinationEdit, g_destination->path);
}

// Lists the subfolders of `folder` (a text ending in "\", or empty for the current folder)
// in the folder list; false when the folder cannot be listed.
bool ListFolders(HWND dialog, std::string_view folder) {
  // The listing call writes into its path argument, so it gets a copy of its own.
  ListText listed{};
  if (folder.size() >= sizeof listed) return false;
  folder.copy(listed, folder.size());
  return DlgDirListA(dialog, listed, kDestinationFolderList, 0, kFolderListing) != 0;
}

// The name of the folder list's selected entry, without brackets and trailing backslash;
// empty when nothing is selected.
std::string_view SelectedFolderName(HWND dialog, ListText& name) {
  name[0] = '\0';
  if (SendDlgItemMessageA(dialog, kDestinationFolderList, LB_GETCURSEL, 0, 0) == LB_ERR ||
      !DlgDirSelectExA(dialog, name, sizeof name, kDestinationFolderList)) {
    return {};
  }
  return destination_path::ListedName(name, kLead);
}

// Selects the first entry of a fresh listing and makes the path `folder` + "\" + its name;
// the path stays `folder` when the listing is empty or the result would not fit.
void EnterFirstEntry(HWND dialog, const Path& folder) {
  SendDlgItemMessageA(dialog, kDestinationFolderList, LB_SETCURSEL, 0, 0);
  ListText name;
  const std::string_view first = SelectedFolderName(dialog, name);
  const auto joined =
      first.empty() ? std::nullopt : destination_path::JoinFolder(folder.view(), first, kLead);
  SetPath(dialog, joined ? *joined : folder);
}

void PlaceControls(HWND dialog) {
  const HFONT font = GetSetupState()->textFont;
  for (const ControlPlace& place : kControlPlaces) {
    HWND control = GetDlgItem(dialog, place.id);
    MoveWindow(control, place.x, place.y, place.width, place.height, FALSE);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
}

// Lists the parent of the path and selects the path's own folder there, adding its entry
// when the folder is not listed (it may not exist yet). The entry is matched whole: "[game]"
// must not select a listed "[games]".
void ShowFolderInList(HWND dialog) {
  if (CurrentPath().empty()) return;
  ListFolders(dialog, destination_path::ParentFolder(CurrentPath(), kLead));
  const auto entry =
      destination_path::FolderListEntry(destination_path::LastComponent(CurrentPath(), kLead));
  if (!entry.ok()) return;
  const auto find = [&] {
    return SendDlgItemMessageA(dialog, kDestinationFolderList, LB_FINDSTRINGEXACT, WPARAM(-1),
                               reinterpret_cast<LPARAM>(entry.c_str()));
  };
  if (find() == LB_ERR) {
    SendDlgItemMessageA(dialog, kDestinationFolderList, LB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(entry.c_str()));
  }
  SendDlgItemMessageA(dialog, kDestinationFolderList, LB_SETCURSEL, find(), 0);
}

void ShowDrives(HWND dialog) {
  ListText noFolder{};  // drives only: no folder is listed with them
  DlgDirListComboBoxA(dialog, noFolder, kDestinationDriveList, 0, DDL_EXCLUSIVE | DDL_DRIVES);
  if (CurrentPath().empty()) return;
  const char entry[] = {'[', '-', g_destination->path[0], '-', ']', '\0'};
  const LRESULT found = SendDlgItemMessageA(dialog, kDestinationDriveList, CB_FINDSTRING,
                                            WPARAM(-1), reinterpret_cast<LPARAM>(entry));
  if (found != CB_ERR) SendDlgItemMessageA(dialog, kDestinationDriveList, CB_SETCURSEL, found, 0);
}

BOOL OnInitDialog(HWND dialog) {
  if (!g_destination || !g_destination->loaded) return TRUE;
  const SetupState& state = *GetSetupState();
  const SetupInfo& info = *GetSetupInfo();
  SetWindowTextA(dialog, state.appName);
  // The controls are children of the painted window: keep its paint off them.
  SetWindowLongPtrA(dialog, GWL_STYLE, GetWindowLongPtrA(dialog, GWL_STYLE) | WS_CLIPCHILDREN);
  MoveWindow(dialog, state.windowX + g_destination->x, state.windowY + g_destination->y,
             kScreenWidth, kScreenHeight, FALSE);
  PlaceControls(dialog);

  const auto defDir = kolta::ReadBoundedText(info.defDir).value_or(std::string_view{});
  if (const auto path = destination_path::PathFromText(defDir, kLead)) {
    path->CopyTo(g_destination->path);
    MakeDirectoryPath(g_destination->path);
    SetDlgItemTextA(dialog, kDestinationEdit, g_destination->path);
  } else {
    // Too long to install into: shown as it is, so that next tells the user so.
    SetDlgItemTextA(dialog, kDestinationEdit, kolta::InterfaceText(defDir).c_str());
  }
  g_destination->neededMB = info.spaceNeeded;
  ShowFolderInList(dialog);
  ShowDrives(dialog);
  const char drive = g_destination->path[0];
  g_destination->freeMB = drive ? static_cast<unsigned>(FreeDiskSpaceMB(drive)) : 0;
  UpdateWindow(dialog);
  return TRUE;
}

void ResetButtons(HWND dialog) {
  SkinDialogResetButtons(&g_destination->skin);
  InvalidateRect(dialog, nullptr, FALSE);
}

bool FolderExists(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Next: checks the typed path in order; each failure shows its message and leaves the
// screen open. FALSE when the user declined to create a missing folder.
BOOL OnNext(HWND dialog) {
  ResetButtons(dialog);
  HWND edit = GetDlgItem(dialog, kDestinationEdit);
  char typed[128] = {};
  const bool fits = GetWindowTextLengthA(edit) < static_cast<int>(sizeof typed);
  if (fits) GetWindowTextA(edit, typed, sizeof typed);
  const auto path = fits ? destination_path::ValidateTypedPath(typed, kLead) : std::nullopt;
  if (!path) {
    SetupMessage(dialog, "IDS_INVALIDDIR", 0);
    return TRUE;
  }
  const char drive = path->view().front();
  g_destination->freeMB = static_cast<unsigned>(FreeDiskSpaceMB(drive));
  if (g_destination->neededMB >= g_destination->freeMB) {
    SetupMessage(dialog, "IDS_NODISKSPACE", 0, drive, MessageNumber(g_destination->freeMB),
                 MessageNumber(g_destination->neededMB));
    return TRUE;
  }
  if (!setup_paths::SelectDrive(drive)) {
    SetupMessage(dialog, "IDS_CANTMAKEDIR", 0, path->c_str());
    return TRUE;
  }
  if (!SetCurrentDirectoryA(path->c_str())) {
    if (SetupMessage(dialog, "IDS_NOEXISTDIR", 4, path->c_str()) != 1) return FALSE;
    // Creating levels may fail without the drive failing: the folder must exist to accept it.
    if (!MakeDirectoryPath(path->c_str()) || !FolderExists(path->c_str())) {
      SetupMessage(dialog, "IDS_CANTMAKEDIR", 0, path->c_str());
      return TRUE;
    }
  }
  path->CopyTo(g_destination->path);
  EndDialog(dialog, 1);
  return TRUE;
}

BOOL OnExit(HWND dialog) {
  if (SetupMessage(dialog, "IDS_SUREQUIT", 4) == 1) {
    EndDialog(dialog, 0);
  } else {
    ResetButtons(dialog);
  }
  return TRUE;
}

// A click on a folder: the path's last component becomes the folder's name.
BOOL OnFolderSelected(HWND dialog) {
  ListText name;
  const std::string_view chosen = SelectedFolderName(dialog, name);
  if (chosen.empty()) return TRUE;
  if (const auto path = destination_path::SelectFolder(CurrentPath(), chosen, kLead)) {
    SetPath(dialog, *path);
  }
  return TRUE;
}

// A double click: the parent entry goes up a level; any entry then lists the path's
// folder and steps into its first entry.
BOOL OnFolderOpened(HWND dialog) {
  ListText name;
  const std::string_view chosen = SelectedFolderName(dialog, name);
  if (chosen.empty()) return TRUE;
  std::string_view folder = CurrentPath();
  if (destination_path::IsParentEntry(chosen)) {
    folder = destination_path::LeaveParentEntry(folder, kLead);
  }
  const Path opened(folder);
  opened.CopyTo(g_destination->path);
  const auto listing = destination_path::JoinFolder(opened.view(), {}, kLead);
  if (!listing || !ListFolders(dialog, listing->view())) return TRUE;
  EnterFirstEntry(dialog, opened);
  return TRUE;
}

// Another drive: the path becomes the drive's first folder and the free space is read
// again; a drive that cannot be listed leaves the path at the bare drive.
BOOL OnDriveSelected(HWND dialog) {
  ListText drive{};
  DlgDirSelectComboBoxExA(dialog, drive, sizeof drive, kDestinationDriveList);
  const char letter = drive[0];
  if (letter == '\0' || !destination_path::IsOtherDrive(CurrentPath(), letter)) return TRUE;
  const char bare[] = {letter, ':', '\0'};
  const Path root(bare);
  root.CopyTo(g_destination->path);
  const char listing[] = {letter, ':', '\\', '\0'};
  if (!ListFolders(dialog, listing)) return TRUE;
  EnterFirstEntry(dialog, root);
  g_destination->freeMB = static_cast<unsigned>(FreeDiskSpaceMB(letter));
  InvalidateRect(dialog, nullptr, FALSE);
  return TRUE;
}

BOOL OnCommand(HWND dialog, int id, int notification) {
  switch (id) {
    case kNextCommand:
      return OnNext(dialog);
    case kExitCommand:
      return OnExit(dialog);
    case kDestinationFolderList:
      if (notification == LBN_SELCHANGE) return OnFolderSelected(dialog);
      if (notification == LBN_DBLCLK) return OnFolderOpened(dialog);
      return FALSE;
    case kDestinationDriveList:
      return notification == CBN_SELCHANGE ? OnDriveSelected(dialog) : FALSE;
    default:
      return FALSE;
  }
}

void PaintTexts(HDC dc) {
  const SetupState& state = *GetSetupState();
  const kolta::Selected font(dc, state.textFont);
  SetTextColor(dc, RGB(0, 0, 0));
  char label[128];
  const auto line = [&](int y, std::string_view text) {
    TextOutA(dc, 27, y, text.data(), static_cast<int>(text.size()));
  };
  ReadSetupText(1, state.installMode == 1 ? "SETUPHD" : "SETUPCD", label, sizeof label);
  line(220, label);
  ReadSetupText(1, "DIRNEADDISKSPACE", label, sizeof label);
  line(240, destination_path::SpaceLine(label, g_destination->neededMB).view());
  ReadSetupText(1, "DIRDISKSPACE", label, sizeof label);
  line(260, destination_path::SpaceLine(label, g_destination->freeMB).view());
}

BOOL OnLButtonUp(HWND dialog, LPARAM point) {
  const int pressed = SkinDialogMouseUp(&g_destination->skin, dialog,
                                        GET_X_LPARAM(point), GET_Y_LPARAM(point));
  if (pressed >= 0) PostMessageA(dialog, WM_COMMAND, pressed + 1, 0);
  return TRUE;
}

INT_PTR CALLBACK DestinationDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog(dialog);
  if (!g_destination || !g_destination->loaded) return FALSE;
  switch (message) {
    case WM_COMMAND:
      return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_PAINT:
      SkinDialogPaint(&g_destination->skin, dialog, PaintTexts);
      return TRUE;
    case WM_LBUTTONDOWN:
      SkinDialogMouseDown(&g_destination->skin, dialog, static_cast<short>(LOWORD(lParam)),
                          static_cast<short>(HIWORD(lParam)));
      return TRUE;
    case WM_LBUTTONUP:
      return OnLButtonUp(dialog, lParam);
    case WM_MOUSEMOVE:
      SkinDialogMouseMove(&g_destination->skin, dialog, GET_X_LPARAM(lParam),
                          GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_CTLCOLORDLG:
      return SkinScreenDialogBackground(wParam);
    default:
      return FALSE;
  }
}

// The chosen folder as the install folder: lower case, with its trailing backslash.
void StoreInstallDir(std::string_view path) {
  char* installDir = GetSetupState()->installDir;
  installDir[0] = '\0';
  if (path.empty()) return;
  if (const auto folder = destination_path::InstallFolder(path, kLead)) {
    folder->CopyTo(installDir);
    setup_paths::LowerCase(installDir);
  }
}

}  // namespace

int ShowDestinationScreen(HWND mainWindow) {
  DestinationScreen screen{};
  if (!LoadSkin(&screen, mainWindow)) {
    FreeScreen(&screen);
    return 0;
  }
  g_destination = &screen;
  const INT_PTR result =
      DialogBoxParamA(GetSetupState()->instance, MAKEINTRESOURCEA(kDestinationDialog), mainWindow,
                      DestinationDialogProc, 0);
  if (result != -1) StoreInstallDir(screen.path);
  g_destination = nullptr;
  FreeScreen(&screen);
  return static_cast<int>(result);
}
