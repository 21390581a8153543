// K_AVI against Wine's real MCI "avivideo" device: a real parent window on an X display,
// films made by ffmpeg in which every frame is one flat colour (make_film.py), and the
// picture read back from the screen.
//
// MCI in Wine pauses a film that has a sound track and holds its place (a film without
// one it stops, and plays on from there when asked), but it ignores speed and sound
// switching; those are checked by the library's results and state only.
#include "K_AVI.h"

#include <gtest/gtest.h>
#include <mmsystem.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

// The films beside the test program, as tests/avi/CMakeLists.txt makes them.
struct Film {
  const char* name;
  int width;
  int height;
  int framesPerSecond;
  int frames;
};
constexpr Film kPlain{"plain.avi", 160, 120, 10, 8};
constexpr Film kSound{"sound.avi", 96, 72, 10, 30};
constexpr Film kSilent{"silent.avi", 96, 72, 10, 30};

std::string FilmPath(const char* name) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path = self;
  return path.substr(0, path.find_last_of('\\') + 1) + name;
}

// Colour of a frame as make_film.py makes it: 5-bit channels shown with 8 bits.
COLORREF FrameColour(int frame) {
  constexpr std::array<int, 5> kLevels{31, 0, 16, 8, 24};
  const auto shown = [](int level) { return static_cast<BYTE>(level << 3 | level >> 2); };
  return RGB(shown(kLevels[frame % 5]), shown(kLevels[frame / 5 % 5]),
             shown(kLevels[frame / 25 % 5]));
}

int LastFrame(const Film& film) { return film.frames - 1; }

// The parent: a borderless window at a known place of the screen, painted in a colour no
// frame has, recording the MCI notifications it receives.
constexpr COLORREF kBackground = RGB(100, 60, 140);
constexpr POINT kParentOrigin{40, 30};
constexpr SIZE kParentSize{480, 360};
constexpr char kParentClass[] = "KAviTestParent";

struct Notifications {
  WPARAM lastCode = 0;
  LPARAM lastDevice = 0;
  bool successful = false;
};
Notifications notifications;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case MM_MCINOTIFY:
      notifications.lastCode = wParam;
      notifications.lastDevice = lParam;
      notifications.successful |= wParam == MCI_NOTIFY_SUCCESSFUL;
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      HBRUSH brush = CreateSolidBrush(kBackground);
      FillRect(dc, &paint.rcPaint, brush);
      DeleteObject(brush);
      EndPaint(window, &paint);
      return 0;
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

HWND CreateParent() {
  static const ATOM registered = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ParentProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kParentClass;
    return RegisterClassA(&windowClass);
  }();
  if (registered == 0) return nullptr;
  HWND parent = CreateWindowExA(0, kParentClass, "K_AVI test", WS_POPUP | WS_CLIPCHILDREN,
                                kParentOrigin.x, kParentOrigin.y, kParentSize.cx, kParentSize.cy,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ShowWindow(parent, SW_SHOW);
  UpdateWindow(parent);
  return parent;
}

// Dispatches messages until done() holds or a generous limit passes; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 20000) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (done()) return true;
    if (GetTickCount() - start > limitMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

// The whole screen as 0x00RRGGBB pixels, top row first.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

Screenshot CaptureScreen() {
  Screenshot shot;
  shot.width = GetSystemMetrics(SM_CXSCREEN);
  shot.height = GetSystemMetrics(SM_CYSCREEN);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = -shot.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    shot.pixels.assign(first, first + static_cast<std::size_t>(shot.width) * shot.height);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return shot;
}

// A screen pixel (0x00RRGGBB) of the given colour, give or take a rounding step.
bool LooksLike(std::uint32_t pixel, COLORREF colour) {
  const auto within = [](int a, int b) { return a - b <= 4 && b - a <= 4; };
  return within(static_cast<int>(pixel >> 16 & 0xFF), GetRValue(colour)) &&
         within(static_cast<int>(pixel >> 8 & 0xFF), GetGValue(colour)) &&
         within(static_cast<int>(pixel & 0xFF), GetBValue(colour));
}

// Where a colour lies on the screen compared with where it should: pixels of `place`
// that show something else, and pixels elsewhere that show it.
struct PictureCount {
  int otherInside = 0;
  int colourOutside = 0;
  bool operator==(const PictureCount&) const = default;
};

PictureCount CountPicture(const Screenshot& shot, const RECT& place, COLORREF colour) {
  PictureCount count;
  if (shot.pixels.empty()) return {-1, -1};
  const std::uint32_t* pixel = shot.pixels.data();
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      const bool inside = x >= place.left && x < place.right && y >= place.top && y < place.bottom;
      const bool matches = LooksLike(*pixel++, colour);
      if (inside && !matches) ++count.otherInside;
      if (!inside && matches) ++count.colourOutside;
    }
  }
  return count;
}

// Repaints the video window, as a caller does on the end notification, then waits
// (boundedly) until the screen shows exactly `colour` filling `place`: the picture reaches
// the display a little after MCI reports the frame. (Wine's player stops before painting
// the frame it ends on; the window shows it when it paints.)
PictureCount AwaitPicture(HWND video, const RECT& place, COLORREF colour) {
  RedrawWindow(video, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  PictureCount count;
  PumpUntil([&] {
    count = CountPicture(CaptureScreen(), place, colour);
    return count == PictureCount{};
  });
  return count;
}

// A rectangle of the parent's client area in screen coordinates.
RECT OnScreen(int x, int y, int width, int height) {
  return {kParentOrigin.x + x, kParentOrigin.y + y, kParentOrigin.x + x + width,
          kParentOrigin.y + y + height};
}

// The library's state as {Avi_IsInit, Avi_IsOpen, Avi_IsPlay, Avi_IsPause}.
constexpr std::array<int, 4> kNotInitialised{0, 0, 0, 0};
constexpr std::array<int, 4> kIdle{1, 0, 0, 0};
constexpr std::array<int, 4> kOpen{1, 1, 0, 0};
constexpr std::array<int, 4> kPlaying{1, 1, 1, 0};
constexpr std::array<int, 4> kPaused{1, 1, 0, 1};

// One parent serves every test (hiding a top-level window on a display without a window
// manager takes Wine seconds); each test ends with the library closed down.
class KAvi : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { parent_ = CreateParent(); }

  static void TearDownTestSuite() {
    DestroyWindow(parent_);
    parent_ = nullptr;
  }

  void SetUp() override {
    ASSERT_NE(parent_, nullptr);
    notifications = {};
  }

  void TearDown() override {
    Avi_Quit();
    PumpFor(0);
  }

  // The video window: the parent's only child.
  static HWND VideoWindow() { return GetWindow(parent_, GW_CHILD); }

  // The video window's place in the parent's client area.
  static RECT VideoPlace() {
    RECT place{};
    GetWindowRect(VideoWindow(), &place);
    MapWindowPoints(HWND_DESKTOP, parent_, reinterpret_cast<POINT*>(&place), 2);
    return place;
  }

  static bool ParentInvalid() { return GetUpdateRect(parent_, nullptr, FALSE) != FALSE; }

  // Waits until MCI reports that playback ran to its end.
  static bool AwaitEnd() {
    return PumpUntil([] { return notifications.successful; });
  }

  static std::array<int, 4> State() {
    return {Avi_IsInit(), Avi_IsOpen(), Avi_IsPlay(), Avi_IsPause()};
  }

  // Without an open film every film operation refuses (Avi_Start too: no film would be
  // playing), and Avi_Stop answers 1.
  static void ExpectFilmOperationsRefused() {
    EXPECT_EQ(Avi_Start(0, -1), 0);
    EXPECT_EQ(Avi_Pause(), 0);
    EXPECT_EQ(Avi_Resume(), 0);
    EXPECT_EQ(Avi_Audio(1), 0);
    EXPECT_EQ(Avi_Length(), 0);
    EXPECT_EQ(Avi_GetSpeed(), 0);
    EXPECT_EQ(Avi_GetCurrent(), 0);
    EXPECT_EQ(Avi_SetCurrent(1), 0);
    EXPECT_EQ(Avi_Stop(), 1);
  }

  // Plays a film from its start and pauses it a few frames in; returns the frame it holds.
  static int PlayAndPause(const Film& film, int audio) {
    EXPECT_EQ(Avi_Play(FilmPath(film.name).c_str(), parent_, 0, 0, 0, 0, audio, -1), 1);
    EXPECT_EQ(Avi_Resume(), 0);  // not paused
    EXPECT_TRUE(PumpUntil([] { return Avi_GetCurrent() >= 3; }));
    EXPECT_EQ(Avi_Pause(), 1);
    EXPECT_EQ(State(), kPaused);
    EXPECT_EQ(Avi_Pause(), 0);  // not playing
    const int held = Avi_GetCurrent();
    EXPECT_LT(held, LastFrame(film));
    return held;
  }

  static inline HWND parent_ = nullptr;
};

// Runs first in this program, while the library has never been initialised.
TEST_F(KAvi, RefusesEverythingBeforeInit) {
  EXPECT_EQ(State(), kNotInitialised);
  EXPECT_EQ(Avi_Quit(), 0);

  ValidateRect(parent_, nullptr);
  EXPECT_EQ(Avi_Open(FilmPath(kPlain.name).c_str(), parent_, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(Avi_Play(FilmPath(kPlain.name).c_str(), parent_, 0, 0, 0, 0, 0, -1), 0);
  EXPECT_FALSE(ParentInvalid());
  EXPECT_EQ(VideoWindow(), nullptr);

  ExpectFilmOperationsRefused();
  EXPECT_EQ(State(), kNotInitialised);
}

TEST_F(KAvi, InitOpensTheDeviceTypeOnceAndQuitClosesIt) {
  ASSERT_EQ(Avi_Init(), 1);
  EXPECT_EQ(State(), kIdle);
  EXPECT_EQ(Avi_Init(), 1);
  EXPECT_EQ(State(), kIdle);
  EXPECT_EQ(Avi_Quit(), 0);  // the close succeeded
  EXPECT_EQ(State(), kNotInitialised);
  EXPECT_EQ(Avi_Quit(), 0);
  // The cycle can start again.
  ASSERT_EQ(Avi_Init(), 1);
  EXPECT_EQ(Avi_Quit(), 0);
}

TEST_F(KAvi, WithoutAFilmOnlyStopAndSpeedAnswer) {
  ASSERT_EQ(Avi_Init(), 1);
  ExpectFilmOperationsRefused();
  EXPECT_EQ(State(), kIdle);
  // The speed goes to MCI whatever the state.
  EXPECT_EQ(Avi_SetSpeed(25, 0), 0);
  EXPECT_EQ(Avi_SetSpeed(25, 25), 1);
  EXPECT_EQ(State(), kIdle);
}

TEST_F(KAvi, OpenGivesTheFilmsSizeLengthAndRateWhenWidthIsZero) {
  ASSERT_EQ(Avi_Init(), 1);
  ValidateRect(parent_, nullptr);
  ASSERT_EQ(Avi_Open(FilmPath(kPlain.name).c_str(), parent_, 12, 34, 0, 999, 0), 1);
  EXPECT_EQ(State(), kOpen);
  EXPECT_TRUE(ParentInvalid());
  ASSERT_NE(VideoWindow(), nullptr);
  EXPECT_TRUE(GetWindowLongPtrA(VideoWindow(), GWL_STYLE) & WS_CHILD);
  const RECT place = VideoPlace();
  EXPECT_EQ(place.left, 12);
  EXPECT_EQ(place.top, 34);
  EXPECT_EQ(place.right - place.left, kPlain.width);
  EXPECT_EQ(place.bottom - place.top, kPlain.height);
  EXPECT_EQ(Avi_Length(), kPlain.frames);
  EXPECT_EQ(Avi_GetSpeed(), kPlain.framesPerSecond);
  EXPECT_EQ(Avi_GetCurrent(), 0);
}

TEST_F(KAvi, OpenSizesTheWindowAsAskedEvenToHeightZero) {
  ASSERT_EQ(Avi_Init(), 1);
  ASSERT_EQ(Avi_Open(FilmPath(kSound.name).c_str(), parent_, 5, 6, 300, 200, 1), 1);
  RECT place = VideoPlace();
  EXPECT_EQ(place.left, 5);
  EXPECT_EQ(place.top, 6);
  EXPECT_EQ(place.right - place.left, 300);
  EXPECT_EQ(place.bottom - place.top, 200);
  EXPECT_EQ(Avi_Length(), kSound.frames);
  EXPECT_EQ(Avi_GetSpeed(), kSound.framesPerSecond);

  ASSERT_EQ(Avi_Open(FilmPath(kSound.name).c_str(), parent_, 0, 0, 100, 0, 1), 1);
  place = VideoPlace();
  EXPECT_EQ(place.right - place.left, 100);
  EXPECT_EQ(place.bottom - place.top, 0);
}

TEST_F(KAvi, ASecondOpenClosesTheFirstFilm) {
  ASSERT_EQ(Avi_Init(), 1);
  const std::string plain = FilmPath(kPlain.name);
  ASSERT_EQ(Avi_Open(plain.c_str(), parent_, 0, 0, 0, 0, 0), 1);
  HWND first = VideoWindow();
  ASSERT_NE(first, nullptr);
  EXPECT_NE(mciGetDeviceIDA(plain.c_str()), 0u);

  ASSERT_EQ(Avi_Open(FilmPath(kSound.name).c_str(), parent_, 0, 0, 0, 0, 1), 1);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(mciGetDeviceIDA(plain.c_str()), 0u);
  EXPECT_EQ(Avi_Length(), kSound.frames);
  HWND second = VideoWindow();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetWindow(second, GW_HWNDNEXT), nullptr);  // the parent's only child

  // A file MCI cannot open leaves no film open, and the parent repaints.
  ValidateRect(parent_, nullptr);
  EXPECT_EQ(Avi_Open(FilmPath("missing.avi").c_str(), parent_, 0, 0, 0, 0, 0), 0);
  EXPECT_TRUE(ParentInvalid());
  EXPECT_FALSE(IsWindow(second));
  EXPECT_EQ(State(), kIdle);
  EXPECT_EQ(Avi_Open(nullptr, parent_, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(State(), kIdle);
}

TEST_F(KAvi, SeekMovesTheCurrentFrame) {
  ASSERT_EQ(Avi_Init(), 1);
  ASSERT_EQ(Avi_Open(FilmPath(kPlain.name).c_str(), parent_, 0, 0, 0, 0, 0), 1);
  EXPECT_EQ(Avi_SetCurrent(5), 1);
  EXPECT_EQ(Avi_GetCurrent(), 5);
  EXPECT_EQ(Avi_SetCurrent(0), 1);
  EXPECT_EQ(Avi_GetCurrent(), 0);
  EXPECT_EQ(Avi_SetCurrent(LastFrame(kPlain)), 1);
  EXPECT_EQ(Avi_GetCurrent(), LastFrame(kPlain));
  EXPECT_EQ(State(), kOpen);
}

TEST_F(KAvi, SoundAndSpeedAnswerWhileAFilmIsOpen) {
  ASSERT_EQ(Avi_Init(), 1);
  ASSERT_EQ(Avi_Open(FilmPath(kSound.name).c_str(), parent_, 0, 0, 0, 0, 0), 1);
  EXPECT_EQ(Avi_Audio(1), 1);
  EXPECT_EQ(Avi_Audio(0), 1);
  EXPECT_EQ(Avi_SetSpeed(0, 0), 0);
  EXPECT_EQ(Avi_SetSpeed(25, 25), 1);
  EXPECT_EQ(Avi_SetSpeed(10'000'000, 10'000), 1);  // 1000 times: no wrap in rate x 1000
  EXPECT_EQ(Avi_SetSpeed(5'000'000, 1), 0);        // beyond what MCI can be told
  EXPECT_EQ(Avi_SetSpeed(kSound.framesPerSecond, kSound.framesPerSecond), 1);
  EXPECT_EQ(State(), kOpen);
}

TEST_F(KAvi, PlayShowsTheLastFrameAtTheFilmsOwnSizeAndNotifiesTheParent) {
  ASSERT_EQ(Avi_Init(), 1);
  const std::string plain = FilmPath(kPlain.name);
  ASSERT_EQ(Avi_Play(plain.c_str(), parent_, 20, 30, 0, 0, 0, -1), 1);
  EXPECT_EQ(State(), kPlaying);
  const MCIDEVICEID device = mciGetDeviceIDA(plain.c_str());

  ASSERT_TRUE(AwaitEnd());
  EXPECT_EQ(notifications.lastCode, static_cast<WPARAM>(MCI_NOTIFY_SUCCESSFUL));
  EXPECT_EQ(notifications.lastDevice, static_cast<LPARAM>(device));
  EXPECT_EQ(State(), kPlaying);  // the library is not told of the end
  EXPECT_EQ(Avi_GetCurrent(), LastFrame(kPlain));

  const RECT picture = OnScreen(20, 30, kPlain.width, kPlain.height);
  EXPECT_EQ(AwaitPicture(VideoWindow(), picture, FrameColour(LastFrame(kPlain))), PictureCount{});

  // Stopping closes the film: its window and picture go.
  HWND video = VideoWindow();
  EXPECT_EQ(Avi_Stop(), 1);
  EXPECT_EQ(State(), kIdle);
  EXPECT_FALSE(IsWindow(video));
  EXPECT_EQ(mciGetDeviceIDA(plain.c_str()), 0u);
  PictureCount gone;
  EXPECT_TRUE(PumpUntil([&] {
    gone = CountPicture(CaptureScreen(), picture, FrameColour(LastFrame(kPlain)));
    return gone.otherInside == kPlain.width * kPlain.height;
  })) << gone.otherInside;
}

TEST_F(KAvi, PlayScalesThePictureToTheGivenSize) {
  ASSERT_EQ(Avi_Init(), 1);
  ASSERT_EQ(Avi_Open(FilmPath(kPlain.name).c_str(), parent_, 100, 50, 250, 90, 0), 1);
  ASSERT_EQ(Avi_Start(0, -1), 1);
  ASSERT_TRUE(AwaitEnd());
  EXPECT_EQ(AwaitPicture(VideoWindow(), OnScreen(100, 50, 250, 90), FrameColour(LastFrame(kPlain))),
            PictureCount{});
}

TEST_F(KAvi, PlayStopsAtTheLastFrameAsked) {
  ASSERT_EQ(Avi_Init(), 1);
  ASSERT_EQ(Avi_Play(FilmPath(kPlain.name).c_str(), parent_, 0, 0, 0, 0, 0, 3), 1);
  ASSERT_TRUE(AwaitEnd());
  EXPECT_EQ(Avi_GetCurrent(), 3);
  EXPECT_EQ(AwaitPicture(VideoWindow(), OnScreen(0, 0, kPlain.width, kPlain.height),
                         FrameColour(3)),
            PictureCount{});

  // A second part from a first frame on.
  notifications = {};
  EXPECT_EQ(Avi_Start(5, 6), 1);
  ASSERT_TRUE(AwaitEnd());
  EXPECT_EQ(Avi_GetCurrent(), 6);
}

// With a sound track MCI holds a paused film where it is. (Wine cannot continue such a
// film: the paused player and the new one fight over the sound device.)
TEST_F(KAvi, PauseHoldsAFilmWithSound) {
  ASSERT_EQ(Avi_Init(), 1);
  const int held = PlayAndPause(kSound, 1);
  PumpFor(500);
  EXPECT_EQ(Avi_GetCurrent(), held);
  EXPECT_FALSE(notifications.successful);
  EXPECT_EQ(Avi_Stop(), 1);
  EXPECT_EQ(State(), kIdle);
}

TEST_F(KAvi, ResumePlaysTheRestOfThePausedFilm) {
  ASSERT_EQ(Avi_Init(), 1);
  const int held = PlayAndPause(kSilent, 0);
  ASSERT_EQ(Avi_Resume(), 1);
  EXPECT_EQ(State(), kPlaying);
  EXPECT_GE(Avi_GetCurrent(), held);  // on from the held frame, not from the start
  // The end of the resumed play (the paused one may have reported too, earlier).
  ASSERT_TRUE(PumpUntil(
      [] { return notifications.successful && Avi_GetCurrent() == LastFrame(kSilent); }));
  EXPECT_EQ(AwaitPicture(VideoWindow(), OnScreen(0, 0, kSilent.width, kSilent.height),
                         FrameColour(LastFrame(kSilent))),
            PictureCount{});
}

TEST_F(KAvi, PauseAnswersOnlyWhilePlaying) {
  ASSERT_EQ(Avi_Init(), 1);
  ASSERT_EQ(Avi_Open(FilmPath(kPlain.name).c_str(), parent_, 0, 0, 0, 0, 0), 1);
  EXPECT_EQ(Avi_Pause(), 0);
  EXPECT_EQ(Avi_Resume(), 0);
  EXPECT_EQ(State(), kOpen);
}

TEST_F(KAvi, QuitClosesAnOpenFilm) {
  ASSERT_EQ(Avi_Init(), 1);
  const std::string sound = FilmPath(kSound.name);
  ASSERT_EQ(Avi_Open(sound.c_str(), parent_, 0, 0, 0, 0, 1), 1);
  HWND video = VideoWindow();
  EXPECT_EQ(Avi_Quit(), 0);
  EXPECT_EQ(State(), kNotInitialised);
  EXPECT_FALSE(IsWindow(video));
  EXPECT_EQ(mciGetDeviceIDA(sound.c_str()), 0u);
  EXPECT_EQ(mciGetDeviceIDA("avivideo"), 0u);
}

}  // namespace
