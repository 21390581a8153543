// The Wintab double ("WINTAB32.DLL" with the seven functions the tablet uses): its
// devices, cursors and packet queue are scripted by the test, and what the library asks
// of it is recorded.
#pragma once

#include <windows.h>

#include <array>

#include "wintab_double_protocol.h"

namespace wintab_double {

inline constexpr int kMarker = 0x7A1D0002;
inline constexpr int kMaxDevices = 4;
inline constexpr int kMaxCursors = 4;
inline constexpr int kMaxQueue = 1024;
inline constexpr int kMaxReads = 64;

struct Cursor {
  bool hasPressureButton = true;
  BYTE pressureButton = 0;           // CSR_NPBUTTON, one byte
  std::array<BYTE, 32> buttonMap{};  // CSR_BUTTONMAP ...
  UINT buttonMapSize = 32;           // ... of which this many bytes are given
  std::array<UINT, 2> marks{};       // CSR_NPBTNMARKS: release mark, press mark
};

struct Script {
  UINT present = 1;  // WTInfoA(0, 0, null)
  bool hasDefaultContext = true;
  LOGCONTEXTA defaultContext{};  // WTI_DEFSYSCTX
  bool openFails = false;
  std::array<AXIS, kMaxDevices> pressureAxes{};  // DVC_NPRESSURE per device
  std::array<Cursor, kMaxCursors> cursors{};
};

// An information item asked for with WTInfoA.
struct Read {
  UINT category;
  UINT index;
};

// What the library did.
struct Log {
  bool opened;
  HWND openWindow;
  LOGCONTEXTA openContext;  // as passed to WTOpenA
  BOOL openEnable;
  HCTX context;      // the handle WTOpenA gave
  int queueSize;     // WTQueueSizeSet
  int closes;        // WTClose of that context
  int overlaps;      // WTOverlap calls ...
  BOOL lastOverlap;  // ... and the last flag
  int reads;         // WTInfoA calls recorded below (the first kMaxReads)
  std::array<Read, kMaxReads> read;
};

using ScriptProc = void (*)(const Script* script);  // from the next call on
using ResetProc = void (*)();                       // forgets the context, log and queue
using PushProc = void (*)(const PenPacket* packets, int count);
using QueueLengthProc = int (*)();
using LogProc = const Log* (*)();

}  // namespace wintab_double
