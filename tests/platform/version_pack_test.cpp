#include <gtest/gtest.h>

#include "editor/version_pack.h"

namespace {

TEST(PackFileVersion, Table) {
  struct Case { const char* text; uint32_t packed; };
  const Case cases[] = {
      {"0.72.0.6", 0x00480006},  {"0.73.0.1", 0x00490001},
      {"1.2", 0x01020000},       // missing fields count 0
      {"1, 0, 0, 1", 0x01000000},  // no dot: atoi stops at the comma
      {"1..2.3", 0x01000300},    // the search for a field's end starts at its second byte
      {"256.1.1.1", 0x00010101}, // 8 bits per field
      {"1.2.3.4.5", 0x01020304}, // text after the fourth field is ignored
      {"-1.0.0.0", 0xFF000000},  // the low 8 bits of -1
      {"", 0},                   {" 7.+8.x.9", 0x07080009},  // atoi skips space, takes a sign, reads x as 0
      {".5.6.7", 0x00060700},    // a dot at a field's first byte does not end it
      {"99999999999.1.1.1", 0xFF010101},  // atoi saturates
  };
  for (const Case& c : cases) EXPECT_EQ(c.packed, PackFileVersion(c.text)) << '"' << c.text << '"';
  EXPECT_EQ(0u, PackFileVersion(nullptr));
}

}  // namespace
