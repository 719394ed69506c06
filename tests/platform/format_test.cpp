#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/format.h"

namespace {

TEST(FormatText, FormatsLikeWsprintf) {
  char buffer[kFormatLimit + 16];
  EXPECT_EQ(FormatText(buffer, "%d:'%s' %u", 3, "/X", 2147483647u), 17);
  EXPECT_STREQ(buffer, "3:'/X' 2147483647");
}

TEST(FormatText, CutsALongValueAtTheLimit) {
  char buffer[kFormatLimit + 16];
  std::memset(buffer, '#', sizeof buffer);
  std::string longArgument(5000, 'a');
  FormatText(buffer, "%s", longArgument.c_str());
  EXPECT_EQ(std::strlen(buffer), size_t(kFormatLimit - 1));
  EXPECT_EQ(buffer[kFormatLimit], '#');  // nothing written past the limit
}

}  // namespace
