#include <gtest/gtest.h>

#include "editor/link.h"
#include "platform/heap.h"

namespace {

TEST(EditorLink, ReleaseClearsEveryFieldAndMayRepeat) {
  EditorLink link{};
  EXPECT_TRUE(IsEmpty(link));
  ReleaseLink(link);  // on a cleared link: nothing happens
  link.heap = CreatePrivateHeap(0);
  ASSERT_NE(link.heap, nullptr);
  AllocateBlock(link.heap, 0, 64);  // freed with the heap (LeakSanitizer checks natively)
  link.mainWindow = &link;
  link.packedVersion = 0x00490001;
  link.exePath = "Morvane.exe";
  link.busy = 1;
  EXPECT_TRUE(IsEmpty(link));  // an empty link may hold a heap
  ReleaseLink(link);
  EXPECT_EQ(link.heap, nullptr);
  EXPECT_EQ(link.mainWindow, nullptr);
  EXPECT_EQ(link.packedVersion, 0u);
  EXPECT_EQ(link.exePath, nullptr);
  EXPECT_EQ(link.busy, 0);
  EXPECT_TRUE(IsEmpty(link));
  ReleaseLink(link);
}

TEST(EditorLink, IsEmptyExactlyWithoutPane) {
  EditorLink link{};
  link.editPane = &link;
  EXPECT_FALSE(IsEmpty(link));
}

}  // namespace
