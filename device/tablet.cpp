// Pen input through Wintab: a context on the caller's window delivers packets of cursor,
// buttons, position and normal pressure into a queue that the queries below drain.
#define K_DEVICE_BUILD
#include "K_DEVICE.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <new>

#include "device_paths.h"
#include "system_library.h"
#include "win_handles.h"
#include "wintab_protocol.h"

namespace {

using namespace wintab;
using kolta::IsLoaded;
using kolta::device::SaturatedDifference;

#if defined(__i386__)
static_assert(sizeof(TabletSession) == 56);
static_assert(offsetof(TabletSession, lastPressure) == 16);
static_assert(offsetof(TabletSession, pointCount) == 48);
static_assert(offsetof(TabletSession, points) == 52);
#elif defined(__x86_64__)
static_assert(sizeof(TabletSession) == 72);
static_assert(offsetof(TabletSession, originX) == 16);
static_assert(offsetof(TabletSession, points) == 64);
#endif
static_assert(sizeof(TabletPoint) == 12);

constexpr char kWintabFile[] = "WINTAB32.DLL";
constexpr int kQueuePackets = K_DEVICE_TABLET_POINTS;

// No packet has been seen yet: the first one always reads its cursor's pressure data.
constexpr DWORD kNoCursor = 0xFFFFFFFF;

// The Wintab functions, taken from the library that the last successful init loaded and
// shared by every session (each session holds its own reference on the library).
struct WintabFunctions {
  WTInfoAProc info;
  WTGetAProc get;
  WTOpenAProc open;
  WTQueueSizeSetProc queueSizeSet;
  WTCloseProc close;
  WTPacketsGetProc packetsGet;
  WTOverlapProc overlap;
};
WintabFunctions g_wintab{};

bool LookUpFunctions(HMODULE library) {
  const WintabFunctions found{
      ExportedFunction<WTInfoAProc>(library, "WTInfoA"),
      ExportedFunction<WTGetAProc>(library, "WTGetA"),
      ExportedFunction<WTOpenAProc>(library, "WTOpenA"),
      ExportedFunction<WTQueueSizeSetProc>(library, "WTQueueSizeSet"),
      ExportedFunction<WTCloseProc>(library, "WTClose"),
      ExportedFunction<WTPacketsGetProc>(library, "WTPacketsGet"),
      ExportedFunction<WTOverlapProc>(library, "WTOverlap"),
  };
  if (!found.info || !found.get || !found.open || !found.queueSizeSet || !found.close ||
      !found.packetsGet || !found.overlap) {
    return false;
  }
  g_wintab = found;
  return true;
}

// Reads one information item into `out` (zeroed first): the driver writes into a
// scratch buffer larger than any item asked for here, and at most sizeof out of it is
// kept, so a driver that writes more than the item's size cannot overrun the caller.
// The number of bytes the driver wrote (0 when the item is unknown).
template <typename Item>
UINT ReadInfo(UINT category, UINT index, Item& out) {
  static_assert(sizeof(Item) <= 256);
  alignas(8) std::array<std::byte, 512> scratch{};
  const UINT written = g_wintab.info(category, index, scratch.data());
  std::memset(&out, 0, sizeof out);
  std::memcpy(&out, scratch.data(), written < sizeof out ? written : sizeof out);
  return written;
}

bool OpenContext(TabletSession& t, HWND window) {
  LOGCONTEXTA context{};
  if (ReadInfo(WTI_DEFSYSCTX, 0, context) == 0) return false;
  context.lcPktData = kPenPacketData;
  context.lcPktMode = 0;  // every field absolute
  context.lcMoveMask = kPenPacketData;
  context.lcBtnUpMask = context.lcBtnDnMask;
  // Screen pixels, Y growing downwards as on the screen.
  context.lcOutOrgX = 0;
  context.lcOutOrgY = 0;
  context.lcOutExtX = GetSystemMetrics(SM_CXSCREEN);
  context.lcOutExtY = -GetSystemMetrics(SM_CYSCREEN);
  t.context = g_wintab.open(window, &context, TRUE);
  return t.context != nullptr;
}

// Reads the pressure data of the session's current cursor: its pressure button (through
// the cursor's button map), its press mark and the pressure axis of the context's device.
void RefreshCursor(TabletSession& t) {
  const UINT cursors = WTI_CURSORS + t.cursor;
  // The pressure button is a byte; a driver that has none leaves the session without one.
  BYTE button = 0;
  t.pressureButton = ReadInfo(cursors, CSR_NPBUTTON, button) != 0 ? button : -1;
  std::array<BYTE, 32> buttonMap{};
  const UINT mapped = ReadInfo(cursors, CSR_BUTTONMAP, buttonMap);
  if (t.pressureButton >= 0 && static_cast<UINT>(t.pressureButton) < mapped &&
      static_cast<std::size_t>(t.pressureButton) < buttonMap.size()) {
    t.pressureButton = buttonMap[static_cast<std::size_t>(t.pressureButton)];
  }

  LOGCONTEXTA context{};
  AXIS axis{};
  if (g_wintab.get(t.context, &context)) {
    ReadInfo(WTI_DEVICES + context.lcDevice, DVC_NPRESSURE, axis);
  }
  t.axisMin = axis.axMin;
  t.axisRange = SaturatedDifference(axis.axMax, axis.axMin);

  std::array<UINT, 2> marks{};  // release mark, press mark
  ReadInfo(cursors, CSR_NPBTNMARKS, marks);
  t.pressMark = static_cast<LONG>(marks[1]);
  t.pressRange = SaturatedDifference(axis.axMax, t.pressMark);
}

bool PressureButtonDown(const TabletSession& t, DWORD buttons) {
  return t.pressureButton >= 0 && t.pressureButton < 32 &&
         (buttons & (DWORD{1} << t.pressureButton)) != 0;
}

// The packet's pressure from 0.0 to 1.0: measured from the press mark while the pressure
// button is down, from the axis minimum otherwise.
float PacketPressure(TabletSession& t, const PenPacket& packet) {
  t.cursor = packet.cursor;
  if (t.cursor != t.cachedCursor) {
    RefreshCursor(t);
    t.cachedCursor = t.cursor;
  }
  if (PressureButtonDown(t, packet.buttons)) {
    return kolta::device::NormalisedPressure(packet.normalPressure, t.pressMark, t.pressRange);
  }
  return kolta::device::NormalisedPressure(packet.normalPressure, t.axisMin, t.axisRange);
}

// A context opened by an init of this process (the functions are known then).
bool HasContext(const TabletSession& t) {
  return t.context != nullptr && g_wintab.close != nullptr;
}

bool NextPacket(const TabletSession& t, PenPacket& packet) {
  return g_wintab.packetsGet(t.context, 1, &packet) > 0;
}

void DrainQueue(const TabletSession& t) {
  PenPacket packet;
  while (NextPacket(t, packet)) {
  }
}

}  // namespace

extern "C" {

int WINAPI WacomTabletInit(TabletSession* session, HWND window, LONG originX, LONG originY) {
  if (session == nullptr) return 0;
  TabletSession& t = *session;
  std::memset(&t, 0, sizeof t);
  t.cachedCursor = kNoCursor;

  const auto path =
      kolta::SystemFolderFile(kolta::SystemFolder::System, kWintabFile);
  if (path) t.wintabLibrary = kolta::LoadSystemLibrary(*path);
  const bool ready = IsLoaded(t.wintabLibrary) && LookUpFunctions(t.wintabLibrary) &&
                     g_wintab.info(0, 0, nullptr) != 0;
  t.originX = originX;
  t.originY = originY;
  if (ready && OpenContext(t, window)) {
    g_wintab.queueSizeSet(t.context, kQueuePackets);
    t.points = new (std::nothrow) TabletPoint[K_DEVICE_TABLET_POINTS]();
    if (t.points != nullptr) return 1;
  }
  WacomTabletQuit(session);
  return 0;
}

int WINAPI WacomTabletQuit(TabletSession* session) {
  if (session == nullptr) return 0;
  TabletSession& t = *session;
  delete[] t.points;
  if (HasContext(t)) g_wintab.close(t.context);
  if (IsLoaded(t.wintabLibrary)) FreeLibrary(t.wintabLibrary);
  std::memset(&t, 0, sizeof t);
  return 0;
}

int WINAPI WacomTableInfoWhenMove(TabletSession* session) {
  if (session == nullptr) return 0;
  TabletSession& t = *session;
  t.pointCount = 0;
  t.lastPressure = 1.0f;
  if (!HasContext(t) || t.points == nullptr) return 0;
  PenPacket packet;
  while (NextPacket(t, packet)) {
    if (packet.buttons == 0 || t.pointCount >= K_DEVICE_TABLET_POINTS) continue;
    t.points[t.pointCount++] =
        TabletPoint{SaturatedDifference(packet.x, t.originX),
                    SaturatedDifference(packet.y, t.originY), PacketPressure(t, packet)};
  }
  return t.pointCount != 0 ? 1 : 0;
}

int WINAPI WacomTableInfoWhenPress(TabletSession* session) {
  if (session == nullptr) return 0;
  TabletSession& t = *session;
  t.lastPressure = 1.0f;
  if (!HasContext(t)) return 0;
  PenPacket packet;
  if (!NextPacket(t, packet)) return 0;
  t.lastPressure = PacketPressure(t, packet);
  DrainQueue(t);
  return 1;
}

void WINAPI WacomTableRemoveEvent(TabletSession* session) {
  if (session != nullptr && HasContext(*session)) DrainQueue(*session);
}

void WINAPI WacomTabletFocus(TabletSession* session, BOOL onTop) {
  if (session != nullptr && HasContext(*session)) g_wintab.overlap(session->context, onTop);
}

int WINAPI WacomTabletInfoChanged(TabletSession* session) {
  if (session == nullptr || !HasContext(*session)) return 0;
  RefreshCursor(*session);
  return 1;
}

}  // extern "C"
