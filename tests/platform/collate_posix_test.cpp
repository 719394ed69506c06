#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "platform/collate.h"

// The POSIX comparison against its plain form, which measures both texts and
// weighs every character: the same answer for NUL-terminated texts, texts of
// given lengths, and the two mixed; and the keys read from the texts order
// them as that plain form does.
namespace {

bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrail(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

uint32_t Fold(uint32_t code) {
  if (code >= 0x8260 && code <= 0x8279) return code + 0x21;
  if (code >= 0x8340 && code <= 0x837E) return code - 0x8340 + 0x829F;
  if (code >= 0x8380 && code <= 0x8393) return code - 0x8380 + 0x82DE;
  if (code == 0x8152 || code == 0x8153) return code + 2;
  return code;
}

uint32_t Weight(const unsigned char* t, long n, long& i) {
  unsigned char b = t[i];
  if (IsLead(b) && i + 1 < n && IsTrail(t[i + 1])) {
    uint32_t code = (uint32_t(b) << 8) | t[i + 1];
    i += 2;
    return 0x10000 + Fold(code);
  }
  i += 1;
  return b >= 'A' && b <= 'Z' ? b + 32u : b;
}

int ReferenceCompareLocale(const char* first, int firstLength, const char* second, int secondLength) {
  const unsigned char* a = reinterpret_cast<const unsigned char*>(first);
  const unsigned char* b = reinterpret_cast<const unsigned char*>(second);
  long na = firstLength >= 0 ? firstLength : static_cast<long>(std::char_traits<char>::length(first));
  long nb = secondLength >= 0 ? secondLength : static_cast<long>(std::char_traits<char>::length(second));
  long i = 0, j = 0;
  while (i < na && j < nb) {
    uint32_t wa = Weight(a, na, i), wb = Weight(b, nb, j);
    if (wa != wb) return wa < wb ? kCompareLess : kCompareGreater;
  }
  if (i < na) return kCompareGreater;
  if (j < nb) return kCompareLess;
  return kCompareEqual;
}

// The whole key, read eight bytes at a time as a sort reads it; the zeros
// past its end dropped. Each chunk must advance the cursor by whole key bytes.
std::string KeyOf(const char* text, long length) {
  std::string key;
  LocaleKeyCursor cursor = {0, 0};
  while (cursor.at < static_cast<size_t>(length)) {
    uint64_t chunk = ReadLocaleKey(text, static_cast<size_t>(length), cursor);
    for (int shift = 56; shift >= 0; shift -= 8)
      if (unsigned char byte = static_cast<unsigned char>(chunk >> shift)) key += static_cast<char>(byte);
  }
  return key;
}

int CompareKeys(const std::string& x, const std::string& y) {
  int sign = std::memcmp(x.data(), y.data(), std::min(x.size(), y.size()));
  if (sign == 0) sign = x.size() < y.size() ? -1 : x.size() > y.size();
  return sign < 0 ? kCompareLess : sign > 0 ? kCompareGreater : kCompareEqual;
}

TEST(CompareLocale, MatchesThePlainComparison) {
  const char* const pieces[] = {"a", "A", "b", "Z", "z", "@", "[", "`", "{", "1", " ", "あ", "ア", "ぁ", "ァ",
                                "ヽ", "ゝ", "Ａ", "ａ", "ｱ", "漢", "\x82", "\x81", "\x7f", "\xa0", "\xfc\x40",
                                "\x9f\x7f", "ム", "む"};
  std::mt19937 random(932);
  for (int round = 0; round < 100000; ++round) {
    std::string x, y;
    // Now and then a long beginning that both share, so that the runs of
    // the same bytes are passed over in chunks and the walk must find the
    // character boundary after them.
    if (round % 5 == 0)
      for (size_t k = 20 + random() % 150; k > 0; --k) x += pieces[random() % (sizeof pieces / sizeof pieces[0])];
    for (size_t k = random() % 6; k > 0; --k) x += pieces[random() % (sizeof pieces / sizeof pieces[0])];
    y = random() % 2 ? x.substr(0, random() % (x.size() + 1)) : "";
    if (round % 5 == 0) y = x.substr(0, x.size() - random() % 8);
    for (size_t k = random() % 4; k > 0; --k) y += pieces[random() % (sizeof pieces / sizeof pieces[0])];
    int lx = random() % 3 == 0 ? -1 : static_cast<int>(random() % (x.size() + 1));
    int ly = random() % 3 == 0 ? -1 : static_cast<int>(random() % (y.size() + 1));
    if (round % 2) lx = ly = -1;
    ASSERT_EQ(CompareLocale(x.c_str(), lx, y.c_str(), ly), ReferenceCompareLocale(x.c_str(), lx, y.c_str(), ly))
        << '"' << x << "\" " << lx << " \"" << y << "\" " << ly;
    long kx = lx >= 0 ? lx : static_cast<long>(x.size()), ky = ly >= 0 ? ly : static_cast<long>(y.size());
    ASSERT_EQ(CompareKeys(KeyOf(x.c_str(), kx), KeyOf(y.c_str(), ky)),
              ReferenceCompareLocale(x.c_str(), lx, y.c_str(), ly))
        << "keys of \"" << x << "\" " << lx << " \"" << y << "\" " << ly;
  }
}

}  // namespace
