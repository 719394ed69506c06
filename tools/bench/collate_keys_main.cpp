// Whether the system's sort keys (LCMapStringA with LCMAP_SORTKEY) order
// texts as CompareStringA does, with the locale order's flags: on random
// pairs of code-page-932 pieces (letters of both cases and widths, kana of
// both kinds and widths, kanji, symbols, control bytes, bytes that are no
// character) and on pairs of lines of a text. Prints one table row: the
// pairs, how many gave another answer, and what each call costs. A faster
// locale order on Windows could rest on the keys only where none differ.
//
// Usage: collate_keys PAIRS TEXT
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

const DWORD kLocaleOrderFlags = 0x11001;  // NORM_IGNORECASE | SORT_STRINGSORT | NORM_IGNOREKANATYPE

const char* const kPieces[] = {
    "a", "A", "b", "B", "z", "Z", "0", "1", "9", "-", "'", "_", " ", "!", "~", "@", "[", "`", "{", ".", ",",
    "co-op", "coop", "-a", "a-", "\t", "\x01", "\x1f", "\x7f",
    "\x82\xa0", "\x82\xa2", "\x83\x41", "\x83\x43", "\x82\x9f", "\x83\x40", "\x81\x52", "\x81\x54",  // kana
    "\x83\x94", "\x83\x95", "\x83\x96", "\x82\xf1", "\x83\x93", "\x82\xaa", "\x82\xa9\x81\x4a",
    "\xb1", "\xb2", "\xde", "\xdf", "\xa6", "\xdd", "\xb3\xde",                                  // half-width kana
    "\x82\x60", "\x82\x81", "\x82\x4f", "\x82\x50", "\x81\x7c\x82\x50",                          // full-width
    "\x88\x9f", "\x93\x8c", "\x8b\x9e", "\x81\x7c", "\x81\x5b", "\x81\x45", "\x81\x40", "\x81\x5c",
    "\x81\x60", "\x81\x69", "\x81\x93", "\x81\x9a", "\x84\x40", "\x87\x40", "\xed\x40", "\xfa\x40",
    "\x82", "\x81", "\x80", "\xa0", "\xfd", "\xfe", "\xff", "\x9f\x7f", "\xfc\x40", "\xe0\x40",  // no character
};

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

std::vector<std::string> ReadLines(const char* path, size_t most) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; lines.size() < most && std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string RandomPieces(std::mt19937& random, size_t most) {
  std::string text;
  for (size_t k = random() % most; k > 0; --k) text += kPieces[random() % (sizeof kPieces / sizeof kPieces[0])];
  return text;
}

// 1, 2 or 3 as CompareStringA answers, from the two keys' bytes.
int CompareKeys(const std::string& x, const std::string& y) {
  int sign = std::memcmp(x.data(), y.data(), x.size() < y.size() ? x.size() : y.size());
  if (sign == 0) sign = x.size() < y.size() ? -1 : x.size() > y.size();
  return sign < 0 ? CSTR_LESS_THAN : sign > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL;
}

std::string SortKey(const std::string& text, double& seconds) {
  double start = Now();
  int n = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | kLocaleOrderFlags, text.c_str(), -1, nullptr, 0);
  std::string key(n > 0 ? n : 0, '\0');
  if (n > 0) LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | kLocaleOrderFlags, text.c_str(), -1, &key[0], n);
  seconds += Now() - start;
  return key;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: collate_keys PAIRS TEXT\n");
    return 2;
  }
  long pairs = atol(argv[1]), differ = 0;
  std::vector<std::string> lines = ReadLines(argv[2], 200000);
  std::mt19937 random(932);
  double compareSeconds = 0, keySeconds = 0;
  for (long i = 0; i < pairs; ++i) {
    std::string x, y;
    if (!lines.empty() && i % 2) {  // lines of the text, or a line and its own beginning
      x = lines[random() % lines.size()];
      y = random() % 3 ? lines[random() % lines.size()] : x.substr(0, random() % (x.size() + 1));
      y += RandomPieces(random, 3);
    } else {
      x = RandomPieces(random, 12);
      y = (random() % 2 ? x.substr(0, random() % (x.size() + 1)) : "") + RandomPieces(random, 5);
    }
    double start = Now();
    int answer = CompareStringA(LOCALE_USER_DEFAULT, kLocaleOrderFlags, x.c_str(), -1, y.c_str(), -1);
    compareSeconds += Now() - start;
    if (CompareKeys(SortKey(x, keySeconds), SortKey(y, keySeconds)) != answer) ++differ;
  }
  std::printf("| %s build | %ld | %ld | %.2f | %.2f |\n", sizeof(void*) == 8 ? "x86_64" : "i686", pairs, differ,
              compareSeconds * 1e6 / pairs, keySeconds * 1e6 / (2.0 * pairs));
  return 0;
}
