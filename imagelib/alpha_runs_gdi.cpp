// Drawing through an alpha run table onto a device context: the pixels under the frame are
// grabbed into an image, blended there and put back.
#include <climits>
#include <cstdint>

#include "alpha_runs.h"
#include "dib_gdi.h"

int AlphaRunsBlitToDC(HDC dc, HDC reference, int x, int y, const DibImage* source,
                      const AlphaRunTable* table, int frame, const RECT* clip) {
  if (!source || !table) return 0;
  const int width = table->header.frameWidth;
  const int height = table->header.height;
  if (width < 1 || height < 1 || std::int64_t{x} + width > INT_MAX ||
      std::int64_t{y} + height > INT_MAX) {
    return 0;
  }
  const RECT sprite{x, y, x + width, y + height};
  RECT area = sprite;
  if (clip && !IntersectRect(&area, &sprite, clip)) return 0;

  DibImage* grab = DibFromDC(dc, reference, x, y, width, height);
  if (!grab) return 1;  // nothing to draw over
  const DibRect grabArea{area.left - x, area.top - y, area.right - x, area.bottom - y};
  AlphaRunsBlit(grab, 0, 0, source, table, frame, &grabArea);
  const int areaWidth = area.right - area.left;
  const int areaHeight = area.bottom - area.top;
  DibStretchToDC(dc, area.left, area.top, areaWidth, areaHeight, grab, grabArea.left,
                 grabArea.top, areaWidth, areaHeight);
  DibFree(grab);
  return 1;
}
