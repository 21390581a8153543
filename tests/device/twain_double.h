// The TWAIN source manager double ("twain_32.dll" with DSM_Entry at ordinal 1) and its
// one data source: what they answer is scripted by the test, and every call they
// receive is recorded with its arguments.
#pragma once

#include <windows.h>

#include <array>

#include "twain_double_protocol.h"

namespace twain_double {

inline constexpr int kMarker = 0x7A1D0001;
inline constexpr int kMaxCalls = 512;
inline constexpr int kMaxSteps = 8;

// Answers of the manager and the source; every call not named here succeeds.
struct Script {
  TW_UINT16 openManager = TWRC_SUCCESS;
  TW_UINT16 userSelect = TWRC_SUCCESS;  // TWRC_CANCEL: the user closed the dialog
  TW_UINT16 openSource = TWRC_SUCCESS;
  TW_UINT16 setTransferCount = TWRC_SUCCESS;
  TW_UINT16 setMechanism = TWRC_SUCCESS;
  TW_UINT16 enable = TWRC_SUCCESS;
  TW_UINT16 endTransfer = TWRC_SUCCESS;
  TW_IDENTITY source{};  // what the selection dialog returns
  // The messages the source writes back to successive MSG_PROCESSEVENT calls; MSG_NULL
  // after them.
  std::array<TW_UINT16, kMaxSteps> events{};
  int eventCount = 0;
  // The source takes every message for itself (TWRC_DSEVENT), also those it writes no
  // message back for; otherwise only those it writes one back for.
  bool takesEveryEvent = false;
  // DAT_IMAGEINFO fails this often before it succeeds.
  int imageInfoFailures = 0;
  // Return codes of successive native transfers; the last one repeats.
  std::array<TW_UINT16, kMaxSteps> transfers{TWRC_XFERDONE};
  int transferCount = 1;
  // Written as the image on TWRC_XFERDONE when non-zero, else a new 2 x 2 24-bit DIB.
  ULONG_PTR imageToWrite = 0;
};

// One DSM_Entry call as it arrived.
struct Call {
  TW_IDENTITY origin;
  bool hasDestination;
  TW_IDENTITY destination;
  TW_UINT32 group;
  TW_UINT16 type;
  TW_UINT16 message;
  TW_UINT16 result;
  TW_MEMREF data;
  HWND parent;               // DAT_PARENT: the window the data points to
  TW_IDENTITY identity;      // DAT_IDENTITY: the record passed, after the call
  TW_CAPABILITY capability;  // DAT_CAPABILITY: the request ...
  bool containerMoveable;    // ... its container block: moveable (handle != address),
  SIZE_T containerSize;      // ... its size,
  TW_ONEVALUE value;         // ... and its contents
  TW_USERINTERFACE ui;       // DAT_USERINTERFACE
  TW_MEMREF event;           // DAT_EVENT: the message pointer
  ULONG_PTR handleBefore;    // DAT_IMAGENATIVEXFER: the handle variable on entry ...
  ULONG_PTR image;           // ... and the handle written into it
};

// Exports of the double (plain C calls).
using ScriptProc = void (*)(const Script* script);  // also clears the record
using CallsProc = int (*)(const Call** calls);      // number of calls recorded

}  // namespace twain_double
