// Times the progress screen as the install drives it over many small items: per item the
// detail line and a step, the changed rectangle invalidated, the window updated and the
// queue pumped. Beside it, in the same run: the whole screen repainted per item, the same
// loop without the screen, the panel restored whole or by the clip's rows, a status line
// rendered, and CopyFileA of as many small files. Prints the figures (microseconds per
// item), each the best of five passes, since other programs share the machine.
//
//   scripts/wine-run.sh --root /tmp/wr --name bench --screen 1024x768x24
//       build/win64/bin/progress_bench.exe [items] [skin folder]   (one command line)
// The skin folder defaults to a copy of the screen tests' test_skin beside the program, in
// a short scratch folder (the build tree may lie too deep for the skin's paths).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dib_ops.h"
#include "image_owners.h"
#include "scratch_folder.h"
#include "setup_resources.h"
#include "setup_screens.h"
#include "setup_state.h"
#include "skin_text.h"
#include "win_test_files.h"

namespace {

constexpr char kProgressClass[] = "KOLTASETUP_STATUS";

class Stopwatch {
 public:
  Stopwatch() { QueryPerformanceCounter(&start_); }
  double Microseconds() const {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1e6 * static_cast<double>(now.QuadPart - start_.QuadPart) /
           static_cast<double>(frequency.QuadPart);
  }

 private:
  LARGE_INTEGER start_;
};

void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

std::string ProgramFolder() {
  char program[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string folder(program, length);
  return folder.erase(folder.rfind('\\') + 1);
}

// The setup state as start-up leaves it, with a plain main window centred on the screen.
bool StartUp(const std::string& skin) {
  UnitTableCreate();
  SetupState& state = *GetSetupState();
  state.instance = GetModuleHandleA(nullptr);
  if (skin.size() >= sizeof state.skinDir) return false;
  lstrcpyA(state.skinDir, skin.c_str());
  lstrcpyA(state.appName, "Progress Bench");
  LOGFONTA font{};
  font.lfHeight = 13;
  lstrcpyA(font.lfFaceName, "Arial");
  state.textFont = CreateFontIndirectA(&font);
  state.windowX = (GetSystemMetrics(SM_CXSCREEN) - 600) / 2;
  state.windowY = (GetSystemMetrics(SM_CYSCREEN) - 450) / 2;
  WNDCLASSA main{};
  main.lpfnWndProc = DefWindowProcA;
  main.hInstance = state.instance;
  main.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  main.lpszClassName = "ProgressBenchMain";
  RegisterClassA(&main);
  state.mainWindow = CreateWindowExA(0, main.lpszClassName, state.appName, WS_POPUP | WS_VISIBLE,
                                     state.windowX, state.windowY, 600, 450, nullptr, nullptr,
                                     state.instance, nullptr);
  if (!state.mainWindow) return false;
  UpdateWindow(state.mainWindow);

  WNDCLASSA progress{};
  progress.style = CS_HREDRAW | CS_VREDRAW;
  progress.lpfnWndProc = ProgressSkinWndProc;
  progress.hInstance = state.instance;
  progress.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  progress.lpszClassName = kProgressClass;
  return RegisterClassA(&progress) != 0;
}

struct LoopTimes {
  double perItem;  // the whole loop
  double paint;    // of which invalidating and updating the window
};

// One pass of the install's loop over `items` items; which = the rectangle repainted per
// item (1 the changed area, 0 all), or -1 for no screen at all.
LoopTimes ItemLoop(HWND dialog, int items, int which) {
  ProgressSetTitle("Copying files");
  ProgressSetTotal(items);
  double paint = 0;
  const Stopwatch watch;
  for (int i = 0; i < items; ++i) {
    Pump();
    if (which < 0) continue;
    char detail[128];
    wsprintfA(detail, "c:\\program files\\kolta demo\\data\\file%04d.txt", i);
    ProgressSetDetail(detail);
    ProgressStep();
    RECT changed;
    ProgressChangedRect(&changed, which);
    const Stopwatch painting;
    InvalidateRect(dialog, &changed, FALSE);
    UpdateWindow(dialog);
    paint += painting.Microseconds();
  }
  return {watch.Microseconds() / items, paint / items};
}

// The two ways of restoring the panel under a paint: whole, or the changed rows only.
void PanelCopies(int items, double* whole, double* rows) {
  const kolta::ImagePtr panel(DibCreate(1, 438, 328, nullptr, DibRgb(170, 190, 210)));
  const kolta::ImagePtr canvas(DibDuplicate(panel.get()));
  Stopwatch watch;
  for (int i = 0; i < items; ++i) DibCopyInto(canvas.get(), panel.get());
  *whole = watch.Microseconds() / items;
  watch = Stopwatch();
  for (int i = 0; i < items; ++i) {
    DibStretchCopy(canvas.get(), 0, 213, 438, 43, panel.get(), 0, 213, 438, 43);
  }
  *rows = watch.Microseconds() / items;
}

// One status line rendered with its shadow into an image, as a paint renders it, per line.
double LineRendering(int items) {
  const kolta::ImagePtr canvas(DibCreate(1, 438, 328, nullptr, DibRgb(170, 190, 210)));
  const RECT rect{17, 213, 417, 233};
  const char line[] = "c:\\program files\\kolta demo\\data\\file0001.txt";
  HDC screen = GetDC(nullptr);
  const Stopwatch watch;
  for (int i = 0; i < items; ++i) {
    TextRenderInRect(nullptr, canvas.get(), screen, line, sizeof line - 1, &rect,
                     GetSetupState()->textFont, 0, RGB(0, 0, 0), nullptr, nullptr, 0.9f,
                     RGB(128, 128, 128), 1, 0, 0, 0, 0, 0);
  }
  const double perLine = watch.Microseconds() / items;
  ReleaseDC(nullptr, screen);
  return perLine;
}

// CopyFileA of `items` files of 1 KB, per file.
double PlainCopies(int items) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string from = std::string(temp) + "progress_bench_from\\";
  const std::string to = std::string(temp) + "progress_bench_to\\";
  kolta::test::RemoveTree(from);
  kolta::test::RemoveTree(to);
  kolta::test::MakeDirectories(to);
  for (int i = 0; i < items; ++i) {
    kolta::test::WriteFile(from + std::to_string(i) + ".txt", std::string(1024, 'k'));
  }
  const Stopwatch watch;
  for (int i = 0; i < items; ++i) {
    const std::string name = std::to_string(i) + ".txt";
    CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE);
  }
  const double perFile = watch.Microseconds() / items;
  kolta::test::RemoveTree(from);
  kolta::test::RemoveTree(to);
  return perFile;
}

}  // namespace

int main(int argc, char** argv) {
  const int items = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  const kolta::test::ScratchFolder scratch("progress-bench");
  const std::string skin =
      argc > 2 ? argv[2] : scratch.CopyFolderIn(ProgramFolder() + "test_skin\\", "test_skin");
  if (!StartUp(skin) || !ProgressLoad(GetSetupState()->mainWindow)) {
    std::printf("cannot load the progress screen from %s\n", skin.c_str());
    return 2;
  }
  const SetupState* state = GetSetupState();
  HWND dialog = CreateDialogParamA(state->instance, MAKEINTRESOURCEA(kProgressDialog),
                                   state->mainWindow, ProgressDialogProc, 0);
  if (!dialog) return 2;
  InvalidateRect(dialog, nullptr, FALSE);
  UpdateWindow(dialog);

  ItemLoop(dialog, 100, 1);  // warm up the fonts and the window surface
  constexpr double kNone = 1e30;
  LoopTimes changed{kNone, kNone}, whole{kNone, kNone}, bare{kNone, kNone};
  double wholeCopy = kNone, rowsCopy = kNone, line = kNone, copy = kNone;
  auto keepBest = [](LoopTimes& best, LoopTimes pass) {
    if (pass.perItem < best.perItem) best = pass;
  };
  for (int pass = 0; pass < 5; ++pass) {
    keepBest(changed, ItemLoop(dialog, items, 1));
    keepBest(whole, ItemLoop(dialog, items, 0));
    keepBest(bare, ItemLoop(dialog, items, -1));
    double passWhole = 0, passRows = 0;
    PanelCopies(items, &passWhole, &passRows);
    wholeCopy = std::min(wholeCopy, passWhole);
    rowsCopy = std::min(rowsCopy, passRows);
    line = std::min(line, LineRendering(items));
    copy = std::min(copy, PlainCopies(items));
  }

  std::printf("%d items, microseconds per item:\n", items);
  std::printf("  changed rectangle repainted + pump: %8.1f (paint %.1f)\n", changed.perItem,
              changed.paint);
  std::printf("  whole screen repainted + pump:      %8.1f (paint %.1f)\n", whole.perItem,
              whole.paint);
  std::printf("  pump only, no repaint:              %8.1f\n", bare.perItem);
  std::printf("  panel restored whole (DibCopyInto): %8.1f\n", wholeCopy);
  std::printf("  panel restored by the changed rows: %8.1f\n", rowsCopy);
  std::printf("  one status line rendered:           %8.1f\n", line);
  std::printf("  CopyFileA of a 1 KB file:           %8.1f\n", copy);

  DestroyWindow(dialog);
  ProgressFree();
  DestroyWindow(state->mainWindow);
  DeleteObject(state->textFont);
  UnitTableFree();
  return 0;
}
