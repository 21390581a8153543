// A Wintab library for the tablet tests: one context at a time, devices and cursors as
// the test's script describes them, and a packet queue that the test fills.
#include "wintab_double.h"

#include <algorithm>
#include <cstring>

namespace {

using namespace wintab_double;

Script g_script;
Log g_log;
PenPacket g_queue[kMaxQueue];
int g_queueLength = 0;

// The one context's handle: any distinct non-null value.
const HCTX kContext = reinterpret_cast<HCTX>(static_cast<ULONG_PTR>(0x5C7));

template <typename Item>
UINT Give(LPVOID output, const Item& item, UINT size = sizeof(Item)) {
  if (output != nullptr) std::memcpy(output, &item, size);
  return size;
}

UINT CursorInfo(const Cursor& cursor, UINT index, LPVOID output) {
  switch (index) {
    case CSR_NPBUTTON:
      return cursor.hasPressureButton ? Give(output, cursor.pressureButton) : 0;
    case CSR_BUTTONMAP:
      return Give(output, cursor.buttonMap, std::min<UINT>(cursor.buttonMapSize, 32));
    case CSR_NPBTNMARKS:
      return Give(output, cursor.marks);
    default:
      return 0;
  }
}

bool IsOpen(HCTX context) { return g_log.opened && context == kContext; }

}  // namespace

extern "C" {

UINT WINAPI WTInfoA(UINT category, UINT index, LPVOID output) {
  if (g_log.reads < kMaxReads)
    g_log.read[static_cast<std::size_t>(g_log.reads)] = {category, index};
  ++g_log.reads;
  if (category == 0) return g_script.present;
  if (category == WTI_DEFSYSCTX && index == 0) {
    return g_script.hasDefaultContext ? Give(output, g_script.defaultContext) : 0;
  }
  if (category >= WTI_DEVICES && category < WTI_DEVICES + kMaxDevices && index == DVC_NPRESSURE) {
    return Give(output, g_script.pressureAxes[category - WTI_DEVICES]);
  }
  if (category >= WTI_CURSORS && category < WTI_CURSORS + kMaxCursors) {
    return CursorInfo(g_script.cursors[category - WTI_CURSORS], index, output);
  }
  return 0;
}

BOOL WINAPI WTGetA(HCTX context, LOGCONTEXTA* logContext) {
  if (!IsOpen(context) || logContext == nullptr) return FALSE;
  *logContext = g_log.openContext;
  return TRUE;
}

HCTX WINAPI WTOpenA(HWND window, LOGCONTEXTA* logContext, BOOL enable) {
  if (g_script.openFails || logContext == nullptr) return nullptr;
  g_log.opened = true;
  g_log.openWindow = window;
  g_log.openContext = *logContext;
  g_log.openEnable = enable;
  g_log.context = kContext;
  return kContext;
}

BOOL WINAPI WTQueueSizeSet(HCTX context, int packets) {
  if (!IsOpen(context)) return FALSE;
  g_log.queueSize = packets;
  return TRUE;
}

BOOL WINAPI WTClose(HCTX context) {
  if (!IsOpen(context)) return FALSE;
  ++g_log.closes;
  g_log.opened = false;
  return TRUE;
}

int WINAPI WTPacketsGet(HCTX context, int maxPackets, LPVOID packets) {
  if (!IsOpen(context) || maxPackets <= 0 || packets == nullptr) return 0;
  const int count = std::min(maxPackets, g_queueLength);
  std::memcpy(packets, g_queue, sizeof(PenPacket) * static_cast<std::size_t>(count));
  std::memmove(g_queue, g_queue + count,
               sizeof(PenPacket) * static_cast<std::size_t>(g_queueLength - count));
  g_queueLength -= count;
  return count;
}

BOOL WINAPI WTOverlap(HCTX context, BOOL toTop) {
  if (!IsOpen(context)) return FALSE;
  ++g_log.overlaps;
  g_log.lastOverlap = toTop;
  return TRUE;
}

int WintabDoubleMarker() { return kMarker; }

void WintabDoubleScript(const Script* script) { g_script = *script; }

void WintabDoubleReset() {
  g_log = {};
  g_queueLength = 0;
}

void WintabDoublePush(const PenPacket* packets, int count) {
  for (int i = 0; i < count && g_queueLength < kMaxQueue; ++i)
    g_queue[g_queueLength++] = packets[i];
}

int WintabDoubleQueueLength() { return g_queueLength; }

const Log* WintabDoubleLog() { return &g_log; }

}  // extern "C"
