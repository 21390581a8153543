// What the screen tests' settings say for every message key (each text its own, so that a
// box showing the wrong message cannot pass), and a check of the text a skinned message
// box shows against GDI's own drawing of the expected text in the box's font and layout.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "../imagelib/image_test_support.h"
#include "dib_gdi.h"
#include "gdi_owners.h"
#include "setup_state.h"

namespace kolta::test {

inline constexpr char kMessageTexts[] =
    "[INFO]\r\n"
    "IDS_ERRORSCREEN=Screen too small for the test setup.\r\n"
    "IDS_DIFFVERSION=Another language is installed; replace it?\r\n"
    "IDS_NOSETUPINFOFILE=No setup information in %s.\r\n"
    "IDS_SUREQUIT=Quit the test setup?\r\n"
    "IDS_INVALIDDIR=Not a folder one can install to.\r\n"
    "IDS_NODISKSPACE=Drive %c: has %d MB free, %d MB are needed.\r\n"
    "IDS_NOEXISTDIR=Make the missing folder %s?\r\n"
    "IDS_CANTMAKEDIR=Folder %s cannot be made.\r\n"
    "IDS_SAMEPATH=That is the medium's own folder.\r\n"
    "IDS_CREATEDIR=Making folders\r\n"
    "IDS_COPYINFO=Copying the files\r\n"
    "IDS_COPYFILEERROR=File %s did not copy.\r\n"
    "IDS_QUERYABORT=Stop the installation?\r\n"
    "IDS_PMERROR=No program group shortcut.\r\n"
    "IDS_SETUPGOOD=The test product is installed.\r\n"
    "IDS_REBOOT=Restart Windows now?\r\n"
    "IDS_SETUPNOGOOD=The test product is not installed.\r\n";

// Where the box lays out its message, in its skin window's client coordinates.
inline constexpr RECT kMessageTextRect{13, 38, 245, 95};

// The dark pixels (text) of an area of a device context.
inline std::vector<bool> DarkPixelsOf(HDC dc, int left, int top, int width, int height) {
  std::vector<bool> dark;
  const ImagePtr image(DibFromDC(dc, dc, left, top, width, height));
  if (!image) return dark;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const DibColor c = PixelColour(image.get(), x, y);
      dark.push_back((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF) < 300);
    }
  }
  return dark;
}

// How many entries of two pixel maps differ; a large count for maps of different sizes.
inline int DifferingPixels(const std::vector<bool>& a, const std::vector<bool>& b) {
  if (a.size() != b.size() || a.empty()) return 1 << 20;
  int count = 0;
  for (std::size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
  return count;
}

// How many pixels of the message area of the box's skin window differ, dark against light,
// from GDI's drawing of `text` in the message font on the box's colour: on one line when
// it fits, else wrapped at words, as the box lays out a message. A large count for an
// empty or missing window.
inline int MessageTextDifferences(HWND skin, const std::string& text) {
  constexpr int kNone = 1 << 20;
  if (!skin) return kNone;
  const RECT& area = kMessageTextRect;
  const int width = area.right - area.left, height = area.bottom - area.top;
  const WindowDC shown(skin);
  const std::vector<bool> screen = DarkPixelsOf(shown.get(), area.left, area.top, width, height);

  BitmapPtr bitmap(CreateCompatibleBitmap(shown.get(), width, height));
  const MemoryDC dc(shown.get(), bitmap.get());
  const RECT box{0, 0, width, height};
  HBRUSH paper = CreateSolidBrush(GetPixel(shown.get(), area.left, area.top));
  FillRect(dc.get(), &box, paper);
  DeleteObject(paper);
  const Selected font(dc.get(), GetSetupState()->messageFont);
  SetBkMode(dc.get(), TRANSPARENT);
  SetTextColor(dc.get(), RGB(0, 0, 0));
  const int length = static_cast<int>(text.size());
  SIZE extent{};
  GetTextExtentPoint32A(dc.get(), text.data(), length, &extent);
  RECT layout = box;
  DrawTextA(dc.get(), text.data(), length, &layout,
            (extent.cx < width ? 0 : DT_WORDBREAK) | DT_NOPREFIX);
  return DifferingPixels(screen, DarkPixelsOf(dc.get(), 0, 0, width, height));
}

}  // namespace kolta::test
