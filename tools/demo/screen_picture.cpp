#include "tools/demo/screen_picture.h"

#include <cstdio>
#include <cstring>

namespace {

BITMAPINFOHEADER HeaderFor(int width, int height) {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  return header;
}

// BMP rows are padded to whole 32-bit words.
size_t RowBytes(int width) { return (static_cast<size_t>(width) * 3 + 3) & ~size_t(3); }

}  // namespace

ScreenPicture CopyScreenArea(const RECT& area) {
  ScreenPicture picture;
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return picture;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader = HeaderFor(width, height);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY)) {
      GdiFlush();
      const auto* start = static_cast<const unsigned char*>(bits);
      picture.bits.assign(start, start + RowBytes(width) * height);
      picture.width = width;
      picture.height = height;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return picture;
}

bool SaveScreenPicture(const ScreenPicture& picture, const std::string& path) {
  if (picture.bits.empty()) return false;
  const BITMAPINFOHEADER header = HeaderFor(picture.width, picture.height);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + picture.bits.size());
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&header, sizeof header, 1, out) == 1 &&
            std::fwrite(picture.bits.data(), 1, picture.bits.size(), out) == picture.bits.size();
  return std::fclose(out) == 0 && ok;
}
