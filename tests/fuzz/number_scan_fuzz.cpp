// Both number scanners and the conversion routine against the reference read
// straight from the grammar: the same length consumed and the same double,
// bit for bit; nothing touched when there is no number; nothing read past
// the text's NUL.
//
// Input: the text, cut at its first NUL.
#include <cstring>

#include "platform/heap.h"
#include "sort/number_scanner.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/reference_number.h"

namespace {

const double kUntouched = 12345.678;

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void CheckScan(NumberScannerFunction scan, const char* text, size_t expected, double expectedValue) {
  double value = kUntouched;
  const char* end = nullptr;
  bool found = scan(value, text, end);
  FUZZ_CHECK(found == (expected > 0));
  if (found) {
    FUZZ_CHECK(end == text + expected);
    FUZZ_CHECK(SameBits(value, expectedValue));
  } else {
    FUZZ_CHECK(end == nullptr);
    FUZZ_CHECK(SameBits(value, kUntouched));
  }
}

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input = {data, size};
  std::string text = input.TakeRest();
  std::unique_ptr<char[]> copy = ExactCopy(text);

  double expectedValue = 0;
  size_t expected = ReferenceConvert(text, expectedValue);
  double value = kUntouched;
  size_t length = ConvertNumber(copy.get(), value);
  FUZZ_CHECK(length == expected);
  FUZZ_CHECK(SameBits(value, expected ? expectedValue : kUntouched));

  bool blank = !text.empty() && (text[0] == ' ' || text[0] == '\t');
  CheckScan(ScanHalfWidthNumber, copy.get(), blank ? 0 : expected, expectedValue);

  long blocks = HeapBlockCount(ProcessHeapHandle());
  double fullValue = 0;
  size_t full = ReferenceScanFullWidth(text, fullValue);
  CheckScan(ScanFullWidthNumber, copy.get(), full, fullValue);
  FUZZ_CHECK(HeapBlockCount(ProcessHeapHandle()) == blocks);

  // On ASCII text that does not start with white space both scanners agree.
  if (IsAscii(text) && !text.empty() && !(text[0] == ' ' || (text[0] >= 0x09 && text[0] <= 0x0D)))
    FUZZ_CHECK(full == expected && (!full || SameBits(fullValue, expectedValue)));
  return 0;
}
