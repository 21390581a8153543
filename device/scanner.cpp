// One-image acquisition through the TWAIN source manager: the user picks a source, the
// source is enabled, and the transfer-ready event that the caller's message loop hands
// over starts one native transfer of a packed DIB in global memory.
#define K_DEVICE_BUILD
#include "K_DEVICE.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "system_library.h"
#include "twain_protocol.h"
#include "win_handles.h"

namespace {

using namespace twain;
using kolta::IsLoaded;

#if defined(__i386__)
static_assert(sizeof(ScannerSession) == 340);
static_assert(offsetof(ScannerSession, appIdentity) == 12);
static_assert(offsetof(ScannerSession, sourceIdentity) == 168);
static_assert(offsetof(ScannerSession, managerOpen) == 324);
static_assert(offsetof(ScannerSession, imageHandle) == 336);
#elif defined(__x86_64__)
static_assert(sizeof(ScannerSession) == 360);
static_assert(offsetof(ScannerSession, appIdentity) == 24);
static_assert(offsetof(ScannerSession, managerOpen) == 336);
static_assert(offsetof(ScannerSession, imageHandle) == 352);
#endif

constexpr char kSourceManagerFile[] = "twain_32.dll";

// The source manager exports DSM_Entry at this ordinal.
constexpr WORD kDsmEntryOrdinal = 1;

// How often the image information is asked for, and the transfer tried again after an
// unexpected return code, before the transfer is given up: a source that never answers
// as it should cannot hold the caller's message loop forever.
constexpr int kTransferRounds = 100;

// A TW_STR32 holds at most 32 characters, zero-padded to its 34 bytes. The version text
// of this application's identity is longer (36) and is sent as its first 32 characters,
// so that the source reads a terminated text.
constexpr std::size_t kStr32Characters = 32;

void CopyText(TW_STR32& field, std::string_view text) {
  std::memset(field, 0, sizeof field);
  std::memcpy(field, text.data(), text.size() < kStr32Characters ? text.size() : kStr32Characters);
}

void FillApplicationIdentity(TW_IDENTITY& identity) {
  identity.Id = 0;
  identity.Version.MajorNum = 1;
  identity.Version.MinorNum = 703;
  identity.Version.Language = 13;
  identity.Version.Country = 1;
  CopyText(identity.Version.Info, "TWAIN_32 Twacker 1.7.0.3  01/18/1999");
  identity.ProtocolMajor = 1;
  identity.ProtocolMinor = 8;
  identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
  CopyText(identity.Manufacturer, "TWAIN Working Group");
  CopyText(identity.ProductFamily, "TWAIN Toolkit");
  CopyText(identity.ProductName, "TWACKER_32");
}

// One DSM_Entry call from this application; a session without an entry point fails.
TW_UINT16 Send(ScannerSession& s, TW_IDENTITY* destination, TW_UINT32 group, TW_UINT16 type,
               TW_UINT16 message, TW_MEMREF data) {
  if (s.dsmEntry == nullptr) return TWRC_FAILURE;
  return s.dsmEntry(&s.appIdentity, destination, group, type, message, data);
}

bool SendToManager(ScannerSession& s, TW_UINT16 type, TW_UINT16 message, TW_MEMREF data) {
  return Send(s, nullptr, DG_CONTROL, type, message, data) == TWRC_SUCCESS;
}

TW_UINT16 SendToSource(ScannerSession& s, TW_UINT32 group, TW_UINT16 type, TW_UINT16 message,
                       TW_MEMREF data) {
  return Send(s, &s.sourceIdentity, group, type, message, data);
}

bool OpenManager(ScannerSession& s) {
  const auto path =
      kolta::SystemFolderFile(kolta::SystemFolder::Windows, kSourceManagerFile);
  if (!path) return false;
  s.dsmLibrary = kolta::LoadSystemLibrary(*path);
  if (!IsLoaded(s.dsmLibrary)) return false;
  s.dsmEntry = ExportedFunction<DSMENTRYPROC>(s.dsmLibrary, MAKEINTRESOURCEA(kDsmEntryOrdinal));
  if (s.dsmEntry == nullptr) return false;
  if (!SendToManager(s, DAT_PARENT, MSG_OPENDSM, &s.parentWindow)) return false;
  s.managerOpen = 1;
  return true;
}

// The manager's selection dialog; a cancelled selection fails.
bool OpenSource(ScannerSession& s) {
  std::memset(&s.sourceIdentity, 0, sizeof s.sourceIdentity);
  if (!SendToManager(s, DAT_IDENTITY, MSG_USERSELECT, &s.sourceIdentity)) return false;
  if (!SendToManager(s, DAT_IDENTITY, MSG_OPENDS, &s.sourceIdentity)) return false;
  s.sourceOpen = 1;
  return true;
}

struct GlobalBlockFree {
  void operator()(void* block) const { GlobalFree(block); }
};
using GlobalBlock = std::unique_ptr<void, GlobalBlockFree>;

// Sets a capability to one 16-bit value, in a moveable container block that lives for
// the call only.
bool SetCapability(ScannerSession& s, TW_UINT16 capability, TW_UINT16 value) {
  GlobalBlock container(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(TW_ONEVALUE)));
  if (!container) return false;
  auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(container.get()));
  if (one == nullptr) return false;
  one->ItemType = TWTY_UINT16;
  one->Item = value;
  GlobalUnlock(container.get());
  TW_CAPABILITY request{capability, TWON_ONEVALUE, container.get()};
  return SendToSource(s, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &request) == TWRC_SUCCESS;
}

// One image, by native transfer (a DIB handle): only the mechanism must be accepted. The
// mechanism asked for is the one used below; a source held to another one (memory
// transfer, 2) refuses the native transfer.
bool NegotiateTransfer(ScannerSession& s) {
  SetCapability(s, CAP_XFERCOUNT, 1);
  return SetCapability(s, ICAP_XFERMECH, TWSX_NATIVE);
}

bool EnableSource(ScannerSession& s, int showInterface) {
  TW_USERINTERFACE ui{static_cast<TW_BOOL>(showInterface & 0xFFFF), 1, s.parentWindow};
  return SendToSource(s, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) == TWRC_SUCCESS;
}

void ResetTransfers(ScannerSession& s) {
  TW_PENDINGXFERS pending{};
  SendToSource(s, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
}

// Ends the transfer and drops any further pending one: at most one image per start.
void EndTransfer(ScannerSession& s) {
  TW_PENDINGXFERS pending{};
  if (SendToSource(s, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) == TWRC_SUCCESS) {
    ResetTransfers(s);
  }
}

// The transfer that the source's MSG_XFERREADY asks for; it always finishes the scan.
int TransferOneImage(ScannerSession& s) {
  for (int round = 0; round < kTransferRounds; ++round) {
    TW_IMAGEINFO info{};
    if (SendToSource(s, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) != TWRC_SUCCESS) continue;
    // The source writes a whole handle, whatever the build's pointer size.
    HGLOBAL image = nullptr;
    switch (SendToSource(s, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &image)) {
      case TWRC_XFERDONE:
        s.imageHandle = image;
        EndTransfer(s);
        return 1;
      case TWRC_CANCEL:
        EndTransfer(s);
        return 1;
      case TWRC_FAILURE:
        ResetTransfers(s);
        return 1;
      default:
        break;  // not an answer to a native transfer: start again
    }
  }
  ResetTransfers(s);
  return 1;
}

}  // namespace

extern "C" {

int WINAPI TWScannerIsSupport(void) {
  const auto path =
      kolta::SystemFolderFile(kolta::SystemFolder::Windows, kSourceManagerFile);
  return path && kolta::FileExists(*path) ? 1 : 0;
}

int WINAPI TWScannerStart(ScannerSession* session, HWND parent, int showInterface) {
  if (session == nullptr) return 0;
  ScannerSession& s = *session;
  std::memset(&s, 0, sizeof s);
  FillApplicationIdentity(s.appIdentity);
  s.parentWindow = parent;
  if (OpenManager(s) && OpenSource(s) && NegotiateTransfer(s) && EnableSource(s, showInterface)) {
    return 1;
  }
  TWScannerEnd(session);
  return 0;
}

int WINAPI TWScannerProcess(ScannerSession* session, MSG* message) {
  if (session == nullptr || message == nullptr) return 0;
  ScannerSession& s = *session;
  if (!s.managerOpen || !s.sourceOpen) return 0;
  // What happens next depends on the message the source writes back; the return code
  // says whether the source took the caller's message for itself. A message it took must
  // not reach the window procedures again, so it becomes WM_NULL, which dispatches to
  // nothing.
  TW_EVENT event{message, MSG_NULL};
  if (SendToSource(s, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) == TWRC_DSEVENT) {
    message->message = WM_NULL;
  }
  switch (event.TWMessage) {
    case MSG_XFERREADY:
      return TransferOneImage(s);
    case MSG_CLOSEDSREQ:
    case MSG_CLOSEDSOK:
      return 1;
    default:
      return 0;
  }
}

int WINAPI TWScannerEnd(ScannerSession* session) {
  if (session == nullptr) return 0;
  ScannerSession& s = *session;
  if (s.sourceOpen) {
    TW_USERINTERFACE ui{TWON_DONTCARE8, 0, s.parentWindow};
    SendToSource(s, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    SendToManager(s, DAT_IDENTITY, MSG_CLOSEDS, &s.sourceIdentity);
  }
  if (s.managerOpen) SendToManager(s, DAT_PARENT, MSG_CLOSEDSM, &s.parentWindow);
  if (IsLoaded(s.dsmLibrary)) FreeLibrary(s.dsmLibrary);
  std::memset(&s, 0, sizeof s);
  return 0;
}

}  // extern "C"
