// A TWAIN source manager with one data source, for the scanner tests: it follows the
// protocol's data records, answers as the test's script says and records every call.
#include "twain_double.h"

#include <cstring>

namespace {

using namespace twain_double;

Script g_script;
Call g_calls[kMaxCalls];
int g_callCount = 0;
int g_eventsSent = 0;
int g_imageInfoAsked = 0;
int g_transfersAsked = 0;
TW_UINT16 g_mechanism = TWSX_NATIVE;

template <typename Record>
Record* As(TW_MEMREF data) {
  return static_cast<Record*>(data);
}

// A 2 x 2 24-bit bottom-up DIB in moveable global memory, as a native transfer gives it.
HGLOBAL MakeImage() {
  constexpr DWORD kStride = 8;  // 6 bytes of pixels padded to 4
  HGLOBAL image = GlobalAlloc(GHND, sizeof(BITMAPINFOHEADER) + 2 * kStride);
  auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(image));
  if (header == nullptr) return image;
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = 2;
  header->biHeight = 2;
  header->biPlanes = 1;
  header->biBitCount = 24;
  header->biSizeImage = 2 * kStride;
  auto* pixels = reinterpret_cast<BYTE*>(header + 1);
  for (DWORD i = 0; i < 2 * kStride; ++i) pixels[i] = static_cast<BYTE>(0x10 + i);
  GlobalUnlock(image);
  return image;
}

TW_UINT16 SetCapability(Call& call, TW_MEMREF data) {
  const TW_CAPABILITY& request = *As<TW_CAPABILITY>(data);
  call.capability = request;
  if (void* contents = GlobalLock(request.hContainer)) {
    call.containerMoveable = contents != request.hContainer;
    call.containerSize = GlobalSize(request.hContainer);
    std::memcpy(&call.value, contents, sizeof call.value);
    GlobalUnlock(request.hContainer);
  }
  if (request.Cap == CAP_XFERCOUNT) return g_script.setTransferCount;
  if (request.Cap != ICAP_XFERMECH) return TWRC_FAILURE;
  if (g_script.setMechanism == TWRC_SUCCESS) g_mechanism = static_cast<TW_UINT16>(call.value.Item);
  return g_script.setMechanism;
}

TW_UINT16 NativeTransfer(Call& call, TW_MEMREF data) {
  auto* handle = As<ULONG_PTR>(data);
  call.handleBefore = *handle;
  const int step =
      g_transfersAsked < g_script.transferCount ? g_transfersAsked : g_script.transferCount - 1;
  ++g_transfersAsked;
  // A source held to another mechanism has no native transfer to give.
  if (g_mechanism != TWSX_NATIVE) return TWRC_FAILURE;
  const TW_UINT16 result = g_script.transfers[static_cast<std::size_t>(step)];
  if (result == TWRC_XFERDONE) {
    *handle = g_script.imageToWrite != 0 ? g_script.imageToWrite
                                         : reinterpret_cast<ULONG_PTR>(MakeImage());
    call.image = *handle;
  }
  return result;
}

TW_UINT16 ImageInfo(TW_MEMREF data) {
  if (g_imageInfoAsked++ < g_script.imageInfoFailures) return TWRC_FAILURE;
  TW_IMAGEINFO& info = *As<TW_IMAGEINFO>(data);
  info = {};
  info.ImageWidth = 2;
  info.ImageLength = 2;
  info.SamplesPerPixel = 3;
  info.BitsPerPixel = 24;
  return TWRC_SUCCESS;
}

TW_UINT16 ProcessEvent(Call& call, TW_MEMREF data) {
  TW_EVENT& event = *As<TW_EVENT>(data);
  call.event = event.pEvent;
  event.TWMessage = g_eventsSent < g_script.eventCount
                        ? g_script.events[static_cast<std::size_t>(g_eventsSent++)]
                        : MSG_NULL;
  return g_script.takesEveryEvent || event.TWMessage != MSG_NULL ? TWRC_DSEVENT
                                                                   : TWRC_NOTDSEVENT;
}

TW_UINT16 Answer(Call& call, TW_MEMREF data) {
  if (data == nullptr) return TWRC_FAILURE;
  switch (call.type) {
    case DAT_PARENT:
      call.parent = *As<HWND>(data);
      return call.message == MSG_OPENDSM ? g_script.openManager : TWRC_SUCCESS;
    case DAT_IDENTITY:
      if (call.message == MSG_USERSELECT) {
        if (g_script.userSelect == TWRC_SUCCESS) *As<TW_IDENTITY>(data) = g_script.source;
        return g_script.userSelect;
      }
      return call.message == MSG_OPENDS ? g_script.openSource : TWRC_SUCCESS;
    case DAT_CAPABILITY:
      return SetCapability(call, data);
    case DAT_USERINTERFACE:
      call.ui = *As<TW_USERINTERFACE>(data);
      return call.message == MSG_ENABLEDS ? g_script.enable : TWRC_SUCCESS;
    case DAT_EVENT:
      return ProcessEvent(call, data);
    case DAT_IMAGEINFO:
      return ImageInfo(data);
    case DAT_IMAGENATIVEXFER:
      return NativeTransfer(call, data);
    case DAT_PENDINGXFERS:
      return call.message == MSG_ENDXFER ? g_script.endTransfer : TWRC_SUCCESS;
    default:
      return TWRC_FAILURE;
  }
}

}  // namespace

extern "C" {

TW_UINT16 WINAPI DSM_Entry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group,
                           TW_UINT16 type, TW_UINT16 message, TW_MEMREF data) {
  Call scratch{};
  Call& call = g_callCount < kMaxCalls ? g_calls[g_callCount++] : scratch;
  call = {};
  if (origin != nullptr) call.origin = *origin;
  call.hasDestination = destination != nullptr;
  if (destination != nullptr) call.destination = *destination;
  call.group = group;
  call.type = type;
  call.message = message;
  call.data = data;
  call.result = origin != nullptr ? Answer(call, data) : TWRC_FAILURE;
  if (type == DAT_IDENTITY && data != nullptr) call.identity = *As<TW_IDENTITY>(data);
  return call.result;
}

int TwainDoubleMarker() { return kMarker; }

void TwainDoubleScript(const Script* script) {
  g_script = *script;
  g_callCount = 0;
  g_eventsSent = 0;
  g_imageInfoAsked = 0;
  g_transfersAsked = 0;
  g_mechanism = TWSX_NATIVE;
}

int TwainDoubleCalls(const Call** calls) {
  *calls = g_calls;
  return g_callCount;
}

}  // extern "C"
