// Placing a window over another: centred across, a third or a half of the
// free height above, with signed truncating divisions and no clamping.
#include <gtest/gtest.h>
#include <windows.h>

#include "ui/window_motion.h"

namespace {

HWND MakeWindow(const RECT& r) {
  return CreateWindowExA(0, "STATIC", "", WS_POPUP, r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

TEST(CenterWindowOver, PlacesByTheOwnersRectangle) {
  struct Case {
    const char* name;
    RECT over;
    int width, height;
    bool oneThird;
    POINT want;
  };
  const Case cases[] = {
      // free space 300 x 300: 150 either side, 100 above with a third, 150 with a half
      {"a third above", {100, 50, 600, 550}, 200, 200, true, {250, 150}},
      {"half above", {100, 50, 600, 550}, 200, 200, false, {250, 200}},
      // free space -101 x -100: -50 (toward zero, not -51), -33 above
      {"larger than the owner", {300, 300, 399, 400}, 200, 200, true, {250, 267}},
      {"larger, half above", {300, 300, 399, 400}, 200, 200, false, {250, 250}},
      // free space 7 x 8: 3 and 2 (a third), 4 (a half)
      {"odd leftovers", {0, 0, 107, 108}, 100, 100, true, {3, 2}},
      {"odd leftovers, half", {0, 0, 107, 108}, 100, 100, false, {3, 4}},
  };
  for (const Case& c : cases) {
    HWND over = MakeWindow(c.over);
    HWND window = MakeWindow({900, 900, 900 + c.width, 900 + c.height});
    ASSERT_TRUE(over && window);
    CenterWindowOver(window, over, c.oneThird);
    RECT got;
    GetWindowRect(window, &got);
    EXPECT_EQ(c.want.x, got.left) << c.name;
    EXPECT_EQ(c.want.y, got.top) << c.name;
    EXPECT_EQ(c.width, got.right - got.left) << c.name;
    EXPECT_EQ(c.height, got.bottom - got.top) << c.name;
    DestroyWindow(window);
    DestroyWindow(over);
  }
}

// Without an owner, or with one that is gone, the work area takes its place.
TEST(CenterWindowOver, UsesTheWorkAreaWithoutAnOwner) {
  RECT work;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  HWND gone = MakeWindow({0, 0, 10, 10});
  DestroyWindow(gone);
  for (HWND over : {static_cast<HWND>(nullptr), gone}) {
    HWND window = MakeWindow({5, 5, 125, 85});
    CenterWindowOver(window, over, true);
    RECT got;
    GetWindowRect(window, &got);
    EXPECT_EQ(work.left + (work.right - work.left - 120) / 2, got.left);
    EXPECT_EQ(work.top + (work.bottom - work.top - 80) / 3, got.top);
    DestroyWindow(window);
  }
}

}  // namespace
