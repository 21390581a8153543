// The main window's skin: its picture with the product title, and its shape.
#include <cstring>

#include "dib_gdi.h"
#include "dib_load.h"
#include "gdi_owners.h"
#include "image_owners.h"
#include "setup_screens.h"
#include "setup_state.h"
#include "skin_files.h"
#include "skin_region.h"
#include "skin_text.h"

namespace {

constexpr int kTitleX = 37;
constexpr int kTitleY = 36;
constexpr COLORREF kTitleColour = RGB(255, 255, 255);
constexpr COLORREF kTitleShadow = RGB(0, 0, 0);
constexpr int kTitleShadowOffset = 2;
constexpr float kTitleOpacity = 0.9f;

}  // namespace

HBITMAP MainWindowBackgroundCreate() {
  char path[128];
  if (!SkinFilePath("%sback.jpg", path)) return nullptr;
  kolta::ImagePtr picture{DibLoad(path)};
  if (!picture) return nullptr;

  const SetupState* state = GetSetupState();
  {
    kolta::WindowDC screen{nullptr};
    TextRenderShadowed(nullptr, picture.get(), screen.get(), kTitleX, kTitleY, state->appName,
                       static_cast<int>(std::strlen(state->appName)), state->titleFont,
                       kTitleColour, nullptr, nullptr, kTitleOpacity, kTitleShadow,
                       kTitleShadowOffset, 0, 0, 0, 0, 0);
  }
  return DibToDeviceBitmap(picture.get(), nullptr);
}

HRGN MainWindowShapeCreate() {
  char path[128];
  if (!SkinFilePath("%sbacka.bmp", path)) return nullptr;
  return SkinRegionFromMask(path);
}
