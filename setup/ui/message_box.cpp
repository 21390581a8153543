// The skinned message box: a text of the settings file, formatted with the caller's
// arguments, over the skin's message panel with an OK button or yes and no buttons. Where
// the display cannot show the skin, the platform's message box shows the same text.
#include <cstdarg>
#include <cstring>
#include <new>
#include <utility>

#include "K_INI.h"
#include "ansi_win.h"
#include "gdi_owners.h"
#include "setup_message_text.h"
#include "setup_resources.h"
#include "setup_screens.h"
#include "setup_settings.h"
#include "setup_state.h"
#include "skin_screen.h"
#include "skin_text.h"

namespace {

constexpr char kClassName[] = "KOLTASETUP_MSG";
constexpr int kWidth = 272;
constexpr int kHeight = 145;
constexpr RECT kTitleRect{11, 10, 244, 30};
constexpr RECT kMessageRect{13, 38, 245, 95};
constexpr COLORREF kTitleColour = RGB(255, 255, 255);
constexpr COLORREF kMessageColour = RGB(0, 0, 0);
constexpr POINT kOkAt{118, 105};
constexpr POINT kYesAt{94, 105};
constexpr POINT kNoAt{143, 106};

// The message box while one is open: its skin (panel, buttons: OK or yes, then no) and its
// texts.
struct MessageDialog {
  int loaded;
  SkinDialog skin;
  HWND owner;
  char title[256];
  RECT titleRect;
  char message[256];
  RECT messageRect;
  int yesNo;
};

// The open message box, for its window procedures.
MessageDialog* g_message = nullptr;

SkinDialog* Skin() { return g_message ? &g_message->skin : nullptr; }

// Top-left of the box centred on the owner's client area (the screen without an owner),
// in the owner's client coordinates.
POINT CentredPosition(HWND owner) {
  SIZE area{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  RECT client;
  if (owner && GetClientRect(owner, &client)) area = {client.right, client.bottom};
  return {(area.cx - kWidth) / 2, (area.cy - kHeight) / 2};
}

bool LoadSkin(MessageDialog& dialog, HWND owner, int mode, const char (&message)[256]) {
  dialog.owner = owner;
  dialog.yesNo = LOWORD(mode) != 0;
  dialog.skin.width = kWidth;
  dialog.skin.height = kHeight;
  const POINT at = CentredPosition(owner);
  dialog.skin.panel = ComposeSkinPanel(owner, "%sms_back.jpg", "%sms_backa.bmp", at.x, at.y);
  if (!dialog.skin.panel) return false;
  if (dialog.yesNo) {
    if (!AddSkinButton(&dialog.skin, "%sms_yes.jpg", nullptr, kYesAt.x, kYesAt.y) ||
        !AddSkinButton(&dialog.skin, "%sms_no.jpg", nullptr, kNoAt.x, kNoAt.y)) {
      return false;
    }
  } else if (!AddSkinButton(&dialog.skin, "%sms_ok.jpg", nullptr, kOkAt.x, kOkAt.y)) {
    return false;
  }
  static_assert(sizeof dialog.title >= sizeof GetSetupState()->appName);
  std::memcpy(dialog.title, GetSetupState()->appName, sizeof GetSetupState()->appName);
  dialog.title[sizeof GetSetupState()->appName - 1] = '\0';
  dialog.titleRect = kTitleRect;
  std::memcpy(dialog.message, message, sizeof dialog.message);
  dialog.messageRect = kMessageRect;
  dialog.loaded = 1;
  return true;
}

// The title in white, centred where it fits, and the message in black, wrapped where it is
// long, in the message font.
void PaintTexts(HDC dc) {
  if (!g_message) return;
  const MessageDialog& dialog = *g_message;
  const kolta::Selected font(dc, GetSetupState()->messageFont);
  SetTextColor(dc, kTitleColour);
  RECT title = dialog.titleRect;
  DrawTextCentreIfFits(dc, dialog.title, static_cast<int>(std::strlen(dialog.title)), &title);
  SetTextColor(dc, kMessageColour);
  RECT message = dialog.messageRect;
  DrawTextWrapIfLong(dc, dialog.message, static_cast<int>(std::strlen(dialog.message)), &message);
}

// A press answers on the next release, wherever it happens: 1 for OK or yes, 2 for no.
void PostAnswer(HWND window, int button) {
  PostMessageA(GetParent(window), WM_COMMAND, static_cast<WPARAM>(button + 1), 0);
}

LRESULT CALLBACK MessageSkinWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return SkinScreenWindowMessage(Skin(), PaintTexts, PostAnswer, window, message, wParam, lParam);
}

// Centres the box on its owner's client area (on the screen without one).
void OnInitDialog(HWND dialog) {
  HWND owner = g_message ? g_message->owner : nullptr;
  POINT at = CentredPosition(owner);
  if (owner) ClientToScreen(owner, &at);
  PlaceSkinScreen(dialog, kMessageSkinWindow, at, kWidth, kHeight);
}

INT_PTR CALLBACK MessageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      // 1 and 2 also come from the dialog manager, for Enter and Escape.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 0);
      }
      return TRUE;
    case WM_CTLCOLORDLG:
      return SkinScreenDialogBackground(wParam);
    default:
      return FALSE;
  }
}

// The platform's own message box, with the application's name as its caption.
int ShowPlatformMessage(HWND owner, int mode, const char* message) {
  const int answer =
      MessageBoxA(owner, message, GetSetupState()->appName, static_cast<UINT>(mode));
  return answer == IDOK || answer == IDYES ? 1 : 0;
}

// Shows the skinned box; the platform's box when its skin cannot be loaded, so that a
// question is still asked (an unanswered "quit?" could never quit, an unanswered "cancel?"
// never cancel).
int ShowSkinnedMessage(HWND owner, int mode, const char (&message)[256]) {
  RegisterSkinWindowClass(kClassName, MessageSkinWndProc);
  SkinScreenPtr<MessageDialog> dialog(new (std::nothrow) MessageDialog{});
  if (!dialog || !LoadSkin(*dialog, owner, mode, message)) {
    return ShowPlatformMessage(owner, mode, message);
  }

  // A box opened inside another's modal loop leaves the outer one's object in place.
  MessageDialog* const outer = std::exchange(g_message, dialog.get());
  const INT_PTR result = DialogBoxParamA(GetSetupState()->instance,
                                         MAKEINTRESOURCEA(kMessageDialog), owner,
                                         MessageDialogProc, 0);
  g_message = outer;
  UnregisterClassA(kClassName, GetSetupState()->instance);
  return static_cast<int>(result);
}

}  // namespace

int SetupMessage(HWND owner, const char* key, int mode, ...) {
  char text[256] = " ";
  if (key != nullptr) ReadSetupText(0, key, text, sizeof text);
  char message[256];
  va_list arguments;
  va_start(arguments, mode);
  FormatSetupMessage(SetupMessageArgumentKinds(key ? key : ""), text, arguments, message,
                     kolta::SystemLeadByte);
  va_end(arguments);

  if (!IniRightMode(600, 450)) return ShowPlatformMessage(owner, mode, message);
  return ShowSkinnedMessage(owner, mode, message);
}
