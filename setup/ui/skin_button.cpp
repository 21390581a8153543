// Image buttons: creation from skin files, hit testing and pressing, and drawing the
// current cell onto a device context or into an image.
#include "skin_button.h"

#include <cstdint>
#include <new>

#include "dib_gdi.h"
#include "dib_load.h"
#include "dib_ops.h"
#include "gdi_owners.h"

namespace {

// A released button of `kind` at (x, y) with cells of the given size; null without memory.
SkinButton* NewButton(int kind, int x, int y, int imageWidth, int imageHeight) {
  auto* button = new (std::nothrow) SkinButton{};
  if (!button) return nullptr;
  button->kind = kind;
  button->x = x;
  button->y = y;
  button->cellCount = kSkinButtonCells;
  button->cellWidth = imageWidth / kSkinButtonCells;
  button->cellHeight = imageHeight;
  button->ownsImages = 1;
  SkinButtonSetHitRect(button, x, y, x + button->cellWidth, y + button->cellHeight);
  return button;
}

// The image cut to its whole cells. A picture whose width is not a multiple of the cell
// count has spare columns on the right that are never shown; without them the picture
// matches the run table of its mask, which frames whole cells only. Takes `image`.
DibImage* TrimToCells(DibImage* image) {
  const int width = DibWidth(image) / kSkinButtonCells * kSkinButtonCells;
  if (width == DibWidth(image)) return image;
  const int height = DibHeight(image);
  DibImage* trimmed = DibCreate(1, width, height, nullptr, 0);
  if (trimmed) DibStretchCopy(trimmed, 0, 0, width, height, image, 0, 0, width, height);
  DibFree(image);
  return trimmed;
}

// Whether the mask's table frames the picture's cells, so that every cell can be drawn
// through it. A mask (or a cache left from another skin) that does not fit the picture
// would leave the button invisible: that skin is broken, like a missing file.
bool TableFitsCells(const AlphaRunTable* table, const DibImage* image) {
  const AlphaRunHeader& header = table->header;
  return header.frameCount == kSkinButtonCells &&
         header.frameWidth * kSkinButtonCells == DibWidth(image) &&
         header.height == DibHeight(image);
}

// The area of the button's current cell to draw: its rectangle moved by (dx, dy), cut to
// the clip. False when the button is missing, shows no cell or the clip misses it.
bool DrawnArea(const SkinButton* button, int dx, int dy, const RECT* clip, RECT* area) {
  if (!button || button->state < 0 || button->state >= button->cellCount) return false;
  SkinButtonGetRect(button, dx, dy, area);
  if (!clip) return !IsRectEmpty(area);
  const RECT whole = *area;
  return IntersectRect(area, &whole, clip) != 0;
}

// Where the drawn area starts within the button's bitmap: in cell `state`, at the same
// offset as the area within the button.
POINT CellSourcePoint(const SkinButton* button, int dx, int dy, const RECT& area) {
  return {button->cellWidth * button->state + area.left - (button->x + dx),
          area.top - (button->y + dy)};
}

}  // namespace

SkinButton* SkinButtonCreatePlain(const char* imagePath, int x, int y) {
  HBITMAP bitmap = DibLoadBitmap(imagePath);
  BITMAP info;
  if (!bitmap || GetObjectA(bitmap, sizeof info, &info) != sizeof info ||
      info.bmWidth < kSkinButtonCells || info.bmHeight < 1) {
    if (bitmap) DeleteObject(bitmap);
    return nullptr;
  }
  SkinButton* button = NewButton(kSkinButtonPlain, x, y, info.bmWidth, info.bmHeight);
  if (!button) {
    DeleteObject(bitmap);
    return nullptr;
  }
  button->bitmap = bitmap;
  return button;
}

SkinButton* SkinButtonCreateMasked(const char* imagePath, const char* maskPath, int x, int y) {
  DibImage* image = DibLoad(imagePath);
  if (!image || DibWidth(image) < kSkinButtonCells) {
    DibFree(image);
    return nullptr;
  }
  image = TrimToCells(image);
  AlphaRunTable* table = image ? AlphaRunsLoad(maskPath, kSkinButtonCells, 0) : nullptr;
  SkinButton* button = table && TableFitsCells(table, image)
                           ? NewButton(kSkinButtonMasked, x, y, DibWidth(image), DibHeight(image))
                           : nullptr;
  if (!button) {
    AlphaRunsFree(table);
    DibFree(image);
    return nullptr;
  }
  button->image = image;
  button->runTable = table;
  return button;
}

int SkinButtonFree(SkinButton* button) {
  if (!button) return 1;
  if (button->ownsImages) {
    if (button->bitmap) DeleteObject(button->bitmap);
    DibFree(button->image);
    AlphaRunsFree(button->runTable);
  }
  *button = SkinButton{};
  delete button;
  return 1;
}

void SkinButtonSetHitRect(SkinButton* button, int left, int top, int right, int bottom) {
  if (button) button->hitRect = RECT{left, top, right, bottom};
}

int SkinButtonHitTest(const SkinButton* button, int dx, int dy, int px, int py) {
  if (!button) return 0;
  // In 64 bits, so that no offset can wrap a point into the rectangle.
  const RECT& hit = button->hitRect;
  const std::int64_t x = std::int64_t{px} - dx;
  const std::int64_t y = std::int64_t{py} - dy;
  return hit.left <= x && x < hit.right && hit.top <= y && y < hit.bottom;
}

int SkinButtonPress(SkinButton* button, int dx, int dy, int px, int py) {
  if (!button || button->pressed || !SkinButtonHitTest(button, dx, dy, px, py)) return 0;
  button->pressed = 1;
  button->state = 1;
  return 1;
}

int SkinButtonTrack(SkinButton* button, int dx, int dy, int px, int py) {
  if (!button || !button->pressed) return 0;
  const int look = SkinButtonHitTest(button, dx, dy, px, py) ? 1 : 0;
  if (button->state == look) return 0;
  button->state = look;
  return 1;
}

int SkinButtonIsPressed(const SkinButton* button) { return button && button->pressed == 1; }

void SkinButtonReset(SkinButton* button) {
  if (!button) return;
  button->pressed = 0;
  button->state = 0;
}

void SkinButtonGetRect(const SkinButton* button, int dx, int dy, RECT* out) {
  if (!out) return;
  if (!button) {
    *out = RECT{};
    return;
  }
  const int left = button->x + dx;
  const int top = button->y + dy;
  *out = RECT{left, top, left + button->cellWidth, top + button->cellHeight};
}

void SkinButtonDrawToDC(const SkinButton* button, HDC target, HDC reference, int dx, int dy,
                        const RECT* clip) {
  RECT area;
  if (!target || !DrawnArea(button, dx, dy, clip, &area)) return;
  if (button->kind == kSkinButtonMasked) {
    AlphaRunsBlitToDC(target, reference, button->x + dx, button->y + dy, button->image,
                      button->runTable, button->state, &area);
    return;
  }
  const kolta::MemoryDC cells(reference ? reference : target, button->bitmap);
  if (!cells.get()) return;
  const POINT source = CellSourcePoint(button, dx, dy, area);
  BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, cells.get(),
         source.x, source.y, SRCCOPY);
}

void SkinButtonDrawToImage(const SkinButton* button, DibImage* target, int dx, int dy,
                           const RECT* clip) {
  RECT area;
  if (!DibIs24(target) || !DrawnArea(button, dx, dy, clip, &area)) return;
  if (button->kind == kSkinButtonMasked) {
    const DibRect limit{area.left, area.top, area.right, area.bottom};
    AlphaRunsBlit(target, button->x + dx, button->y + dy, button->image, button->runTable,
                  button->state, &limit);
    return;
  }
  const POINT source = CellSourcePoint(button, dx, dy, area);
  DibCopyFromBitmap(target, area.left, area.top, button->bitmap, source.x, source.y,
                    area.right - area.left, area.bottom - area.top);
}
