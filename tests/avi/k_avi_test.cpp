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

namespace {

// The films beside the test program, as tests/avi/CMakeLists.txt makes them.
struct Film {
  const char* name;
  int width, height, framesPerSecond, frames;
  constexpr int last() const { return frames - 1; }
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

// A screen pixel (0x00RRGGBB) of the given colour, give or take a rounding step.
bool LooksLike(std::uint32_t pixel, COLORREF colour) {
  const auto within = [](int a, int b) { return a - b <= 4 && b - a <= 4; };
  return within(static_cast<int>(pixel >> 16 & 0xFF), GetRValue(colour)) &&
         within(static_cast<int>(pixel >> 8 & 0xFF), GetGValue(colour)) &&
         within(static_cast<int>(pixel & 0xFF), GetBValue(colour));
}

// Where a colour lies on the whole screen compared with where it should: pixels of `place`
// that show something else, and pixels elsewhere that show it ({-1, -1}: no screenshot).
struct PictureCount {
  int otherInside = 0;
  int colourOutside = 0;
  bool operator==(const PictureCount&) const = default;
};

PictureCount CountPicture(const RECT& place, COLORREF colour) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  PictureCount count{-1, -1};
  if (bitmap != nullptr) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    count = {};
    const auto* pixel = static_cast<const std::uint32_t*>(bits);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const bool inside = PtInRect(&place, POINT{x, y}) != FALSE;
        const bool matches = LooksLike(*pixel++, colour);
        if (inside && !matches) ++count.otherInside;
        if (!inside && matches) ++count.colourOutside;
      }
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
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

  static int Open(const Film& film, int x = 0, int y = 0, int width = 0, int height = 0,
                  int audio = 0) {
    return Avi_Open(FilmPath(film.name).c_str(), parent_, x, y, width, height, audio);
  }

  // The video window: the parent's only child.
  static HWND VideoWindow() { return GetWindow(parent_, GW_CHILD); }

  // The video window's place in the parent's client area: {x, y, width, height}.
  static std::array<LONG, 4> VideoPlace() {
    RECT place{};
    GetWindowRect(VideoWindow(), &place);
    MapWindowPoints(HWND_DESKTOP, parent_, reinterpret_cast<POINT*>(&place), 2);
    return {place.left, place.top, place.right - place.left, place.bottom - place.top};
  }

  static bool ParentInvalid() { return GetUpdateRect(parent_, nullptr, FALSE) != FALSE; }

  // Waits until MCI reports that playback ran to its end.
  static bool AwaitEnd() {
    return PumpUntil([] { return notifications.successful; });
  }

  // Repaints the video window, as a caller does on the end notification, then waits
  // (boundedly) until the screen shows exactly the frame's colour filling `place`: the
  // picture reaches the display a little after MCI reports the frame. (Wine's player stops
  // before painting the frame it ends on; the window shows it when it paints.)
  static PictureCount AwaitPicture(const RECT& place, int frame) {
    RedrawWindow(VideoWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PictureCount count;
    PumpUntil([&] {
      count = CountPicture(place, FrameColour(frame));
      return count == PictureCount{};
    });
    return count;
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
    EXPECT_LT(held, film.last());
    return held;
  }

  static inline HWND parent_ = nullptr;
};

// Runs first in this program, while the library has never been initialised.
TEST_F(KAvi, RefusesEverythingBeforeInit) {
  EXPECT_EQ(State(), kNotInitialised);
  EXPECT_EQ(Avi_Quit(), 0);

  ValidateRect(parent_, nullptr);
  EXPECT_EQ(Open(kPlain), 0);
  EXPECT_EQ(Avi_Play(FilmPath(kPlain.name).c_str(), parent_, 0, 0, 0, 0, 0, -1), 0);
  EXPECT_FALSE(ParentInvalid());
  EXPECT_EQ(VideoWindow(), nullptr);

  ExpectFilmOperationsRefused();
  EXPECT_EQ(State(), kNotInitialised);
}

TEST_F(KAvi, InitOpensTheDeviceTypeOnceWhereOnlyStopAndSpeedAnswerAndQuitClosesIt) {
  ASSERT_EQ(Avi_Init(), 1);
  EXPECT_EQ(State(), kIdle);
  EXPECT_EQ(Avi_Init(), 1);
  EXPECT_EQ(State(), kIdle);
  ExpectFilmOperationsRefused();
  // The speed goes to MCI whatever the state.
  EXPECT_EQ(Avi_SetSpeed(25, 0), 0);
  EXPECT_EQ(Avi_SetSpeed(25, 25), 1);
  EXPECT_EQ(State(), kIdle);
  EXPECT_EQ(Avi_Quit(), 0);  // the close succeeded
  EXPECT_EQ(State(), kNotInitialised);
  EXPECT_EQ(Avi_Quit(), 0);
  // The cycle can start again.
  ASSERT_EQ(Avi_Init(), 1);
  EXPECT_EQ(Avi_Quit(), 0);
}

// Width 0 gives the film's own size, whatever the height; any other width the size asked,
// even to height 0.
TEST_F(KAvi, OpenPlacesAChildWindowAndReadsTheFilm) {
  ASSERT_EQ(Avi_Init(), 1);
  const struct {
    Film film;
    int x, y, width, height, audio;
    std::array<LONG, 4> place;
  } cases[] = {
      {kPlain, 12, 34, 0, 999, 0, {12, 34, kPlain.width, kPlain.height}},
      {kSound, 5, 6, 300, 200, 1, {5, 6, 300, 200}},
      {kSound, 0, 0, 100, 0, 1, {0, 0, 100, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.film.name << " " << c.width << "x" << c.height);
    ValidateRect(parent_, nullptr);
    ASSERT_EQ(Open(c.film, c.x, c.y, c.width, c.height, c.audio), 1);
    EXPECT_EQ(State(), kOpen);
    EXPECT_TRUE(ParentInvalid());
    ASSERT_NE(VideoWindow(), nullptr);
    EXPECT_TRUE(GetWindowLongPtrA(VideoWindow(), GWL_STYLE) & WS_CHILD);
    EXPECT_EQ(VideoPlace(), c.place);
    EXPECT_EQ(Avi_Length(), c.film.frames);
    EXPECT_EQ(Avi_GetSpeed(), c.film.framesPerSecond);
    EXPECT_EQ(Avi_GetCurrent(), 0);
  }
}

TEST_F(KAvi, ASecondOpenClosesTheFirstFilm) {
  ASSERT_EQ(Avi_Init(), 1);
  const std::string plain = FilmPath(kPlain.name);
  ASSERT_EQ(Open(kPlain), 1);
  HWND first = VideoWindow();
  ASSERT_NE(first, nullptr);
  EXPECT_NE(mciGetDeviceIDA(plain.c_str()), 0u);

  ASSERT_EQ(Open(kSound, 0, 0, 0, 0, 1), 1);
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

TEST_F(KAvi, AnOpenFilmSeeksButPausesAndResumesOnlyWhilePlaying) {
  ASSERT_EQ(Avi_Init(), 1);
  ASSERT_EQ(Open(kPlain), 1);
  for (const int frame : {5, 0, kPlain.last()}) {
    EXPECT_EQ(Avi_SetCurrent(frame), 1);
    EXPECT_EQ(Avi_GetCurrent(), frame);
  }
  EXPECT_EQ(Avi_Pause(), 0);
  EXPECT_EQ(Avi_Resume(), 0);
  EXPECT_EQ(State(), kOpen);
}

TEST_F(KAvi, SoundAndSpeedAnswerWhileAFilmIsOpen) {
  ASSERT_EQ(Avi_Init(), 1);
  ASSERT_EQ(Open(kSound), 1);
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
  EXPECT_EQ(Avi_GetCurrent(), kPlain.last());
  const RECT picture = OnScreen(20, 30, kPlain.width, kPlain.height);
  EXPECT_EQ(AwaitPicture(picture, kPlain.last()), PictureCount{});

  // Stopping closes the film: its window and picture go.
  HWND video = VideoWindow();
  EXPECT_EQ(Avi_Stop(), 1);
  EXPECT_EQ(State(), kIdle);
  EXPECT_FALSE(IsWindow(video));
  EXPECT_EQ(mciGetDeviceIDA(plain.c_str()), 0u);
  PictureCount gone;
  EXPECT_TRUE(PumpUntil([&] {
    gone = CountPicture(picture, FrameColour(kPlain.last()));
    return gone.otherInside == kPlain.width * kPlain.height;
  })) << gone.otherInside;
}

TEST_F(KAvi, PlayScalesThePictureToTheGivenSize) {
  ASSERT_EQ(Avi_Init(), 1);
  ASSERT_EQ(Open(kPlain, 100, 50, 250, 90), 1);
  ASSERT_EQ(Avi_Start(0, -1), 1);
  ASSERT_TRUE(AwaitEnd());
  EXPECT_EQ(AwaitPicture(OnScreen(100, 50, 250, 90), kPlain.last()), PictureCount{});
}

TEST_F(KAvi, PlayStopsAtTheLastFrameAsked) {
  ASSERT_EQ(Avi_Init(), 1);
  ASSERT_EQ(Avi_Play(FilmPath(kPlain.name).c_str(), parent_, 0, 0, 0, 0, 0, 3), 1);
  ASSERT_TRUE(AwaitEnd());
  EXPECT_EQ(Avi_GetCurrent(), 3);
  EXPECT_EQ(AwaitPicture(OnScreen(0, 0, kPlain.width, kPlain.height), 3), PictureCount{});

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
  ASSERT_TRUE(
      PumpUntil([] { return notifications.successful && Avi_GetCurrent() == kSilent.last(); }));
  EXPECT_EQ(AwaitPicture(OnScreen(0, 0, kSilent.width, kSilent.height), kSilent.last()),
            PictureCount{});
}

TEST_F(KAvi, QuitClosesAnOpenFilm) {
  ASSERT_EQ(Avi_Init(), 1);
  ASSERT_EQ(Open(kSound, 0, 0, 0, 0, 1), 1);
  HWND video = VideoWindow();
  EXPECT_EQ(Avi_Quit(), 0);
  EXPECT_EQ(State(), kNotInitialised);
  EXPECT_FALSE(IsWindow(video));
  EXPECT_EQ(mciGetDeviceIDA(FilmPath(kSound.name).c_str()), 0u);
  EXPECT_EQ(mciGetDeviceIDA("avivideo"), 0u);
}

}  // namespace
