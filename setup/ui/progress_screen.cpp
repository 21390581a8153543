// The progress screen (being built).
#include "setup_screens.h"

void ProgressSetTitle(const char*) {}
void ProgressSetDetail(const char*) {}
void ProgressSetTotal(int) {}
void ProgressSetPosition(int) {}
int ProgressStep() { return 0; }
int ProgressAbortRequested() { return 1; }
void ProgressChangedRect(RECT* out, int) {
  if (out != nullptr) *out = RECT{};
}
int ProgressLoad(HWND) { return 0; }
void ProgressFree() {}
INT_PTR CALLBACK ProgressDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
LRESULT CALLBACK ProgressSkinWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
