#include <gtest/gtest.h>
#include "sort/number_scanner.h"
TEST(X, Y) { double v; EXPECT_EQ(ConvertNumber("12", v), 2u); }
