// The exported functions of K_AVI: one global player driving the MCI "avivideo" device.
// Every command goes to the device through mciSendCommandA with a zeroed parameter
// record; only the commands whose answer matters (open, status, close) are checked.

#define K_AVI_BUILD
#include "K_AVI.h"

#include <mmsystem.h>
// <digitalv.h> follows <mmsystem.h>: it uses its types.
#include <digitalv.h>

#include <optional>

#include "avi_speed.h"

namespace {

enum class PlayerState : int {
  NotInitialised = 0,
  Idle = 1,  // the device type is open, no film
  Open = 2,
  Playing = 3,
  Paused = 4,
};

// Everything the library knows; zero at load, and the film's fields zeroed again when
// the film is closed.
struct Player {
  PlayerState state = PlayerState::NotInitialised;
  MCIDEVICEID deviceId = 0;        // the open film's device; 0 when none
  HWND parentWindow = nullptr;     // receives the end-of-playback notification
  HWND videoWindow = nullptr;      // MCI's child window showing the picture
  int lengthFrames = 0;
};

constinit Player player{};

constexpr char kDeviceType[] = "avivideo";
constexpr int kNoFrame = -1;

template <class Params>
MCIERROR Command(MCIDEVICEID device, UINT message, DWORD flags, Params& params) {
  return mciSendCommandA(device, message, flags, reinterpret_cast<DWORD_PTR>(&params));
}

MCIERROR Command(MCIDEVICEID device, UINT message, DWORD flags) {
  MCI_GENERIC_PARMS params{};
  return Command(device, message, flags, params);
}

bool FileOpen() { return player.state >= PlayerState::Open; }

// One status item of the open film; nothing when MCI reports an error.
std::optional<DWORD_PTR> Status(DWORD item, DWORD flags = MCI_WAIT) {
  MCI_DGV_STATUS_PARMSA status{};
  status.dwItem = item;
  if (Command(player.deviceId, MCI_STATUS, flags | MCI_STATUS_ITEM, status) != 0) {
    return std::nullopt;
  }
  return status.dwReturn;
}

// Frame numbers and counts fit the low 32 bits of an MCI answer.
int AsFrames(DWORD_PTR value) { return static_cast<int>(static_cast<DWORD>(value)); }

// Closes the open film, if any, and forgets it; the device type stays open.
void CloseFile() {
  if (!FileOpen()) return;
  Command(player.deviceId, MCI_CLOSE, MCI_WAIT);
  player = Player{.state = PlayerState::Idle};
}

// The size the video window gets: the film's own size when width is 0, else the given
// one (height as given, even 0).
SIZE VideoWindowSize(int width, int height) {
  if (width != 0) return {width, height};
  MCI_DGV_RECT_PARMS where{};
  Command(player.deviceId, MCI_WHERE, MCI_DGV_WHERE_SOURCE, where);
  // The source rectangle of MCI carries the size in right and bottom.
  return {where.rc.right, where.rc.bottom};
}

// Opens the film in a hidden child window of parent, places that window and prepares the
// device for playback in frames. False when MCI cannot open the file.
bool OpenFile(const char* fileName, HWND parent, int x, int y, int width, int height,
              int audio) {
  // A film still open would keep its device and window for ever once its identifier is
  // replaced, so it goes first.
  CloseFile();
  if (fileName == nullptr) return false;

  MCI_DGV_OPEN_PARMSA open{};
  open.lpstrElementName = const_cast<LPSTR>(fileName);
  open.dwStyle = WS_CHILD;
  open.hWndParent = parent;
  if (Command(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_DGV_OPEN_WS | MCI_DGV_OPEN_PARENT, open) != 0) {
    return false;
  }
  player.deviceId = open.wDeviceID;
  player.parentWindow = parent;
  player.videoWindow = reinterpret_cast<HWND>(Status(MCI_DGV_STATUS_HWND, 0).value_or(0));

  const SIZE size = VideoWindowSize(width, height);
  MoveWindow(player.videoWindow, x, y, size.cx, size.cy, FALSE);
  // A destination without a rectangle is the whole window: the picture is scaled to it.
  MCI_DGV_PUT_PARMS put{};
  Command(player.deviceId, MCI_PUT, MCI_DGV_PUT_DESTINATION, put);
  MCI_DGV_SET_PARMS timeFormat{};
  timeFormat.dwTimeFormat = MCI_FORMAT_FRAMES;
  Command(player.deviceId, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, timeFormat);
  player.state = PlayerState::Open;

  Avi_Audio(audio);
  player.lengthFrames = AsFrames(Status(MCI_STATUS_LENGTH).value_or(0));
  return true;
}

}  // namespace

extern "C" {

int WINAPI Avi_Init(void) {
  if (player.state != PlayerState::NotInitialised) return 1;
  MCI_OPEN_PARMSA open{};
  open.lpstrDeviceType = kDeviceType;
  if (Command(0, MCI_OPEN, MCI_OPEN_TYPE, open) != 0) return 0;
  player.state = PlayerState::Idle;
  return 1;
}

int WINAPI Avi_Quit(void) {
  if (player.state == PlayerState::NotInitialised) return 0;
  CloseFile();
  // The device type was opened without keeping its identifier; MCI knows it by name.
  const MCIERROR error = Command(mciGetDeviceIDA(kDeviceType), MCI_CLOSE, MCI_WAIT);
  player = Player{};
  return static_cast<int>(error);
}

int WINAPI Avi_Open(const char* fileName, HWND parent, int x, int y, int width, int height,
                    int audio) {
  if (player.state == PlayerState::NotInitialised) return 0;
  const bool opened = OpenFile(fileName, parent, x, y, width, height, audio);
  // The parent repaints around the new (or vanished) video window. Without a parent
  // there is nothing to repaint (a null window would mean every window).
  if (parent != nullptr) InvalidateRect(parent, nullptr, FALSE);
  return opened ? 1 : 0;
}

int WINAPI Avi_Play(const char* fileName, HWND parent, int x, int y, int width, int height,
                    int audio, int lastFrame) {
  if (!Avi_Open(fileName, parent, x, y, width, height, audio)) return 0;
  Avi_Start(0, lastFrame);
  return 1;
}

int WINAPI Avi_Start(int firstFrame, int lastFrame) {
  if (!FileOpen()) return 0;
  MCI_PLAY_PARMS play{};
  play.dwCallback = reinterpret_cast<DWORD_PTR>(player.parentWindow);
  DWORD flags = MCI_NOTIFY;
  if (firstFrame != kNoFrame) {
    flags |= MCI_FROM;
    play.dwFrom = static_cast<DWORD>(firstFrame);
  }
  if (lastFrame != kNoFrame) {
    flags |= MCI_TO;
    play.dwTo = static_cast<DWORD>(lastFrame);
  }
  Command(player.deviceId, MCI_PLAY, flags, play);
  player.state = PlayerState::Playing;
  return 1;
}

int WINAPI Avi_Stop(void) {
  CloseFile();
  return 1;
}

int WINAPI Avi_Pause(void) {
  if (player.state != PlayerState::Playing) return 0;
  Command(player.deviceId, MCI_PAUSE, MCI_WAIT);
  player.state = PlayerState::Paused;
  return 1;
}

int WINAPI Avi_Resume(void) {
  if (player.state != PlayerState::Paused) return 0;
  // Playing from where the film stands continues it; when the position cannot be read
  // the play starts without a first frame, which is the same place.
  const auto position = Status(MCI_STATUS_POSITION);
  Avi_Start(position ? AsFrames(*position) : kNoFrame, kNoFrame);
  return 1;
}

int WINAPI Avi_Audio(int on) {
  if (!FileOpen()) return 0;
  MCI_SET_PARMS set{};
  set.dwAudio = MCI_SET_AUDIO_ALL;
  Command(player.deviceId, MCI_SET, MCI_SET_AUDIO | MCI_WAIT | (on ? MCI_SET_ON : MCI_SET_OFF),
          set);
  return 1;
}

int WINAPI Avi_Length(void) {
  if (!FileOpen()) return 0;
  const auto length = Status(MCI_STATUS_LENGTH);
  if (!length) return 0;
  player.lengthFrames = AsFrames(*length);
  return player.lengthFrames;
}

int WINAPI Avi_GetSpeed(void) {
  if (!FileOpen()) return 0;
  // MCI reports the frame rate in thousandths of a frame per second.
  const auto rate = Status(MCI_DGV_STATUS_FRAME_RATE);
  return rate ? static_cast<int>(static_cast<DWORD>(*rate) / kolta::avi::kNormalSpeed) : 0;
}

int WINAPI Avi_SetSpeed(int rate, int base) {
  const auto speed = kolta::avi::PlaybackSpeed(rate, base);
  if (!speed) return 0;
  MCI_DGV_SET_PARMS set{};
  set.dwSpeed = *speed;
  Command(player.deviceId, MCI_SET, MCI_DGV_SET_SPEED | MCI_WAIT, set);
  return 1;
}

int WINAPI Avi_GetCurrent(void) {
  if (!FileOpen()) return 0;
  return AsFrames(Status(MCI_STATUS_POSITION).value_or(0));
}

int WINAPI Avi_SetCurrent(int frame) {
  if (!FileOpen()) return 0;
  MCI_SEEK_PARMS seek{};
  seek.dwTo = static_cast<DWORD>(frame);
  Command(player.deviceId, MCI_SEEK, MCI_TO | MCI_WAIT, seek);
  return 1;
}

int WINAPI Avi_IsInit(void) { return player.state > PlayerState::NotInitialised ? 1 : 0; }

int WINAPI Avi_IsOpen(void) { return FileOpen() ? 1 : 0; }

int WINAPI Avi_IsPlay(void) { return player.state == PlayerState::Playing ? 1 : 0; }

int WINAPI Avi_IsPause(void) { return player.state == PlayerState::Paused ? 1 : 0; }

}  // extern "C"
