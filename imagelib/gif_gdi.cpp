// The frame is composed in memory over what the device context shows, so that drawing on
// a device gives exactly the pixels of GifDrawFrameToImage.
#include "gif_gdi.h"

#include "dib_gdi.h"

void GifDrawFrame(GifAnimation* animation, HDC destination, HDC reference, int x, int y,
                  int invert) {
  if (!animation || !animation->current || !destination || !reference) return;
  const int width = animation->width, height = animation->height;
  if (animation->current->disposal < 4) {
    DibImage* area = DibFromDC(destination, reference, x, y, width, height);
    if (area && GifDrawFrameToImage(animation, area, 0, 0)) {
      DibStretchToDC(destination, x, y, width, height, area, 0, 0, width, height);
    }
    DibFree(area);
  }
  if (invert) PatBlt(destination, x, y, width, height, DSTINVERT);
}
