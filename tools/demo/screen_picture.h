#pragma once
#include <windows.h>

#include <string>
#include <vector>

// A rectangle of the screen as 24-bit pixels, bottom row first, as a BMP
// file holds them.
struct ScreenPicture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> bits;
};

// Copies the area from the screen; an empty picture on failure.
ScreenPicture CopyScreenArea(const RECT& area);
// Writes the picture as a 24-bit BMP file.
bool SaveScreenPicture(const ScreenPicture& picture, const std::string& path);
