// The Wintab interface as the tablet double states it: information categories and
// indices, packet-data bits, and the context, axis and packet records. Written down here
// from the interface, not taken from the library under test, so that a wrong value the
// library used would not be shared by its double.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace wintab_double {

// A context handle (a pointer-sized handle, as DECLARE_HANDLE makes it).
using HCTX = HANDLE;
using WTPKT = DWORD;
using FIX32 = DWORD;

// Information categories and indices.
inline constexpr UINT WTI_DEFSYSCTX = 4;
inline constexpr UINT WTI_DEVICES = 100;
inline constexpr UINT WTI_CURSORS = 200;
inline constexpr UINT DVC_NPRESSURE = 15;
inline constexpr UINT CSR_BUTTONMAP = 7;
inline constexpr UINT CSR_NPBUTTON = 9;
inline constexpr UINT CSR_NPBTNMARKS = 10;

// Packet-data bits.
inline constexpr WTPKT PK_CURSOR = 0x0020;
inline constexpr WTPKT PK_BUTTONS = 0x0040;
inline constexpr WTPKT PK_X = 0x0080;
inline constexpr WTPKT PK_Y = 0x0100;
inline constexpr WTPKT PK_NORMAL_PRESSURE = 0x0400;

inline constexpr int LCNAMELEN = 40;

struct LOGCONTEXTA {
  char lcName[LCNAMELEN];
  UINT lcOptions;
  UINT lcStatus;
  UINT lcLocks;
  UINT lcMsgBase;
  UINT lcDevice;
  UINT lcPktRate;
  WTPKT lcPktData;
  WTPKT lcPktMode;
  WTPKT lcMoveMask;
  DWORD lcBtnDnMask;
  DWORD lcBtnUpMask;
  LONG lcInOrgX;
  LONG lcInOrgY;
  LONG lcInOrgZ;
  LONG lcInExtX;
  LONG lcInExtY;
  LONG lcInExtZ;
  LONG lcOutOrgX;
  LONG lcOutOrgY;
  LONG lcOutOrgZ;
  LONG lcOutExtX;
  LONG lcOutExtY;
  LONG lcOutExtZ;
  FIX32 lcSensX;
  FIX32 lcSensY;
  FIX32 lcSensZ;
  BOOL lcSysMode;
  int lcSysOrgX;
  int lcSysOrgY;
  int lcSysExtX;
  int lcSysExtY;
  FIX32 lcSysSensX;
  FIX32 lcSysSensY;
};

struct AXIS {
  LONG axMin;
  LONG axMax;
  UINT axUnits;
  FIX32 axResolution;
};

static_assert(sizeof(LOGCONTEXTA) == 172);
static_assert(sizeof(AXIS) == 16);

using WTInfoAProc = UINT(WINAPI*)(UINT category, UINT index, LPVOID output);
using WTGetAProc = BOOL(WINAPI*)(HCTX context, LOGCONTEXTA* logContext);
using WTOpenAProc = HCTX(WINAPI*)(HWND window, LOGCONTEXTA* logContext, BOOL enable);
using WTQueueSizeSetProc = BOOL(WINAPI*)(HCTX context, int packets);
using WTCloseProc = BOOL(WINAPI*)(HCTX context);
using WTPacketsGetProc = int(WINAPI*)(HCTX context, int maxPackets, LPVOID packets);
using WTOverlapProc = BOOL(WINAPI*)(HCTX context, BOOL toTop);

// The packets the tablet library asks for: cursor, buttons, X, Y and normal pressure, laid out
// in the order of their bits.
inline constexpr WTPKT kPenPacketData = PK_CURSOR | PK_BUTTONS | PK_X | PK_Y | PK_NORMAL_PRESSURE;

struct PenPacket {
  UINT cursor;
  DWORD buttons;
  LONG x;
  LONG y;
  UINT normalPressure;
};

static_assert(kPenPacketData == 0x5E0);
static_assert(sizeof(PenPacket) == 20);

static_assert(offsetof(LOGCONTEXTA, lcOptions) == 40);
static_assert(offsetof(LOGCONTEXTA, lcPktData) == 64);
static_assert(offsetof(LOGCONTEXTA, lcInOrgX) == 84);
static_assert(offsetof(LOGCONTEXTA, lcOutOrgX) == 108);
static_assert(offsetof(LOGCONTEXTA, lcSysMode) == 144);
static_assert(offsetof(PenPacket, normalPressure) == 16);

}  // namespace wintab_double
