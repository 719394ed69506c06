#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

// A broken invariant stops the run with a message; libFuzzer then keeps the
// input as a crash artefact. Independent of NDEBUG.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

// Takes the fuzzer's bytes from the front: control bytes first, texts after.
struct FuzzInput {
  const uint8_t* data;
  size_t size;

  // The next byte, 0 once the input is used up.
  uint8_t TakeByte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }

  uint32_t TakeUint32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | TakeByte();
    return v;
  }

  // The bytes up to the next separator byte (not included), or the rest.
  std::string TakeUntil(uint8_t separator) {
    const void* hit = std::memchr(data, separator, size);
    size_t n = hit ? static_cast<const uint8_t*>(hit) - data : size;
    std::string s(reinterpret_cast<const char*>(data), n);
    data += n;
    size -= n;
    if (hit) TakeByte();
    return s;
  }

  std::string TakeRest() { return TakeUntil(0); }
};

// A copy of text in a block of exactly its size plus the NUL (none when
// terminate is false), so AddressSanitizer sees any read past its end.
inline std::unique_ptr<char[]> ExactCopy(const std::string& text, bool terminate = true) {
  std::unique_ptr<char[]> copy(new char[text.size() + (terminate ? 1 : 0)]);
  std::memcpy(copy.get(), text.data(), text.size());
  if (terminate) copy[text.size()] = '\0';
  return copy;
}
