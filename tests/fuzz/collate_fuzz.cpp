// The locale comparison as an order: reflexive, antisymmetric, transitive,
// and the same whether a text is given NUL-terminated or by its length.
//
// Input: three texts separated by NUL bytes.
#include <memory>
#include <string>

#include "platform/collate.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The counted form reads from a block with no NUL after the text, so a read
// past the given length is caught.
int CompareCounted(const std::string& a, const std::string& b) {
  std::unique_ptr<char[]> x = ExactCopy(a, false), y = ExactCopy(b, false);
  return CompareLocale(x.get(), int(a.size()), y.get(), int(b.size()));
}

int CompareTerminated(const std::string& a, const std::string& b) {
  std::unique_ptr<char[]> x = ExactCopy(a), y = ExactCopy(b);
  return CompareLocale(x.get(), -1, y.get(), -1);
}

// -1, 0, 1 for less, equal, greater.
int Sign(int result) { return result - kCompareEqual; }

void CheckPair(const std::string& a, const std::string& b) {
  int ab = CompareTerminated(a, b);
  FUZZ_CHECK(ab == kCompareLess || ab == kCompareEqual || ab == kCompareGreater);
  FUZZ_CHECK(CompareTerminated(b, a) == 4 - ab);
  FUZZ_CHECK(CompareCounted(a, b) == ab);
  // A counted prefix compares as the same prefix NUL-terminated.
  std::string a1 = a.substr(0, a.size() / 2), b1 = b.substr(0, (b.size() + 1) / 2);
  FUZZ_CHECK(CompareCounted(a1, b1) == CompareTerminated(a1, b1));
}

void CheckTransitive(const std::string& a, const std::string& b, const std::string& c) {
  int ab = Sign(CompareTerminated(a, b)), bc = Sign(CompareTerminated(b, c)), ac = Sign(CompareTerminated(a, c));
  if (ab <= 0 && bc <= 0) FUZZ_CHECK(ac <= 0 && (ac < 0 || (ab == 0 && bc == 0)));
  if (ab >= 0 && bc >= 0) FUZZ_CHECK(ac >= 0 && (ac > 0 || (ab == 0 && bc == 0)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input = {data, size};
  std::string a = input.TakeUntil(0), b = input.TakeUntil(0), c = input.TakeUntil(0);
  for (const std::string* x : {&a, &b, &c}) {
    FUZZ_CHECK(CompareTerminated(*x, *x) == kCompareEqual);
    FUZZ_CHECK(CompareCounted(*x, *x) == kCompareEqual);
  }
  CheckPair(a, b);
  CheckPair(b, c);
  CheckPair(a, c);
  CheckTransitive(a, b, c);
  CheckTransitive(b, a, c);
  CheckTransitive(a, c, b);
  return 0;
}
