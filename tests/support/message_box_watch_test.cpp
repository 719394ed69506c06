// The message-box helpers against real boxes shown by this process.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "tests/support/message_box_watch.h"
#include "tests/support/standin_process.h"

namespace {

TEST(MessageBoxWatch, FindsReadsAndDismissesByOwner) {
  Standin standin;
  ASSERT_TRUE(StartStandin(StandinVariant::k0_72_0_5, "", &standin));
  struct Row {
    HWND owner;
    const char* text;
  } rows[] = {{standin.mainWindow, "テキストの取得に失敗しました。"}, {nullptr, "no owner"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    int answer = 0;
    std::thread shower([&] { answer = MessageBoxA(row.owner, row.text, "Ordwell", MB_OK | MB_ICONERROR); });
    FoundMessageBox box;
    HWND other = row.owner ? nullptr : standin.mainWindow;
    EXPECT_FALSE(FindMessageBox(other, GetCurrentProcessId(), 300, &box));  // the wrong owner: not found
    ASSERT_TRUE(FindMessageBox(row.owner, GetCurrentProcessId(), 5000, &box));
    EXPECT_EQ(box.text, row.text);
    EXPECT_EQ(box.caption, "Ordwell");
    EXPECT_TRUE(AnyMessageBox(GetCurrentProcessId()));
    EXPECT_TRUE(DismissMessageBox(box.window));
    shower.join();
    EXPECT_EQ(answer, IDOK);
    EXPECT_FALSE(AnyMessageBox(GetCurrentProcessId()));
  }
  EXPECT_TRUE(StopStandin(&standin));
  EXPECT_TRUE(NoStandinRunning());
}

TEST(MessageBoxWatch, NoBoxFailsWithinItsDeadline) {
  DWORD start = GetTickCount();
  FoundMessageBox box;
  EXPECT_FALSE(FindMessageBox(nullptr, GetCurrentProcessId(), 200, &box));
  EXPECT_LT(GetTickCount() - start, 2000u);
}

}  // namespace
