// Skin panels: the panel picture laid through its mask over a snapshot of what lies behind
// the place where the screen will appear.
#include "skin_panel.h"

#include "alpha_runs.h"
#include "dib_gdi.h"
#include "dib_load.h"
#include "gdi_owners.h"
#include "image_owners.h"

namespace {

// The area the panel is placed in: the owner's client area, or the whole screen.
bool ReferenceSize(HWND owner, SIZE* size) {
  if (!owner) {
    *size = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return true;
  }
  RECT client;
  if (!GetClientRect(owner, &client)) return false;
  *size = {client.right - client.left, client.bottom - client.top};
  return true;
}

}  // namespace

DibImage* SkinComposePanel(HWND owner, const char* imagePath, const char* maskPath, int x, int y) {
  const kolta::ImagePtr picture(DibLoad(imagePath));
  if (!picture) return nullptr;
  const kolta::AlphaRunsPtr table(AlphaRunsLoad(maskPath, 1, 0));
  if (!table) return nullptr;

  const int width = DibWidth(picture.get());
  const int height = DibHeight(picture.get());
  SIZE reference;
  if (!ReferenceSize(owner, &reference)) return nullptr;
  if (x < 0) x = (reference.cx - width) / 2;
  if (y < 0) y = (reference.cy - height) / 2;

  kolta::ImagePtr snapshot;
  {
    const kolta::WindowDC source(owner);
    if (!source.get()) return nullptr;
    snapshot.reset(DibFromDC(source.get(), source.get(), x, y, width, height));
  }
  // A mask that does not match the picture would leave a bare snapshot, a panel that is
  // not there: that is a failure to load, not a panel.
  if (!snapshot || !AlphaRunsBlit(snapshot.get(), 0, 0, picture.get(), table.get(), 0, nullptr)) {
    return nullptr;
  }
  return snapshot.release();
}

HBITMAP SkinComposePanelBitmap(HWND owner, const char* imagePath, const char* maskPath, int x,
                               int y) {
  DibImage* panel = SkinComposePanel(owner, imagePath, maskPath, x, y);
  if (!panel) return nullptr;
  HBITMAP bitmap = DibToDeviceBitmap(panel, nullptr);
  DibFree(panel);
  return bitmap;
}
