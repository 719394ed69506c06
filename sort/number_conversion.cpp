#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "sort/gear_sizes.h"
#include "sort/number_scanner.h"
#include "sort/plain_number.h"

// The number grammar, fixed whatever the platform's strtod or locale takes:
//
//   white space   0x09-0x0D and 0x20, any number, skipped and counted
//   sign          optional '+' or '-'
//   mantissa      digits, optional '.', optional digits; one digit at least
//   exponent      optional: 'e' 'E' 'd' 'D', optional sign, one digit at
//                 least; without a digit the number ends before the letter
//
// No hexadecimal form, no infinity or not-a-number words, '.' in every
// locale. The value is the correctly rounded double of what was written;
// too large gives HUGE_VAL with the sign, too small gives zero with the sign.
// The decimal-to-double step is left to std::from_chars, given the number in
// a normalised form: at most kKeptDigits significant digits (enough to round
// any double correctly) plus one sticky digit, then a clamped exponent.
namespace {

constexpr int64_t kExponentLimit = 1000000000000000;  // saturates the written exponent
constexpr int64_t kClampedExponent = 100000;          // far beyond any double's range

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }
bool IsExponentLetter(char c) { return c == 'e' || c == 'E' || c == 'd' || c == 'D'; }

// The significant digits of the mantissa as an integer D and a power of ten:
// the mantissa equals D * 10^scale (up to the sticky digit).
struct Mantissa {
  char digits[kKeptDigits + 1];
  int kept;
  int64_t scale;
  bool sticky;  // a nonzero digit was dropped
  size_t written;  // digits written in the text, zeros included
};

void AddDigit(Mantissa& m, char c, bool fraction) {
  ++m.written;
  if (m.kept == 0 && c == '0') {
    if (fraction) --m.scale;
    return;
  }
  if (m.kept < kKeptDigits) {
    m.digits[m.kept++] = c;
    if (fraction) --m.scale;
    return;
  }
  if (c != '0') m.sticky = true;
  if (!fraction) ++m.scale;
}

// Reads the mantissa's digits and point; returns the position after them.
const char* ReadMantissa(const char* p, Mantissa& m) {
  for (; IsDigit(*p); ++p) AddDigit(m, *p, false);
  if (*p == '.')
    for (++p; IsDigit(*p); ++p) AddDigit(m, *p, true);
  return p;
}

// Reads an exponent at p if one is complete there; returns the position after
// it, or p itself when the letter has no digit after it.
const char* ReadExponent(const char* p, int64_t& exponent) {
  exponent = 0;
  if (!IsExponentLetter(*p)) return p;
  const char* q = p + 1;
  bool negative = false;
  if (*q == '+' || *q == '-') negative = *q++ == '-';
  if (!IsDigit(*q)) return p;
  for (; IsDigit(*q); ++q)
    if (exponent < kExponentLimit) exponent = exponent * 10 + (*q - '0');
  if (negative) exponent = -exponent;
  return q;
}

// Fast path: up to 15 significant digits make an integer below 2^53, and
// every power of ten up to 10^22 is a double exactly, so one multiplication
// or division of the two gives the correctly rounded value, the same that
// the full conversion gives. Only where doubles are computed as doubles:
// the x87 unit of 32-bit x86 rounds twice.

bool ConvertShortMagnitude(const Mantissa& m, int64_t exponent, double& magnitude) {
#if FLT_EVAL_METHOD == 0
  static const double kPowers[kFastPower + 1] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (m.sticky || m.kept > kFastDigits) return false;
  int64_t power = m.scale + exponent;
  if (power < -kFastPower || power > kFastPower) return false;
  int64_t digits = 0;
  for (int i = 0; i < m.kept; ++i) digits = digits * 10 + (m.digits[i] - '0');
  double d = static_cast<double>(digits);
  magnitude = power >= 0 ? d * kPowers[power] : d / kPowers[-power];
  return true;
#else
  (void)m, (void)exponent, (void)magnitude;
  return false;
#endif
}

// Writes "digits e exponent" into out and converts it; the magnitude only.
double ConvertMagnitude(Mantissa& m, int64_t exponent) {
  if (m.kept == 0) return 0.0;
  double magnitude = 0.0;
  if (ConvertShortMagnitude(m, exponent, magnitude)) return magnitude;
  if (m.sticky) {
    m.digits[m.kept++] = '1';
    --m.scale;
  }
  int64_t power = m.scale + exponent;
  if (power > kClampedExponent) power = kClampedExponent;
  if (power < -kClampedExponent) power = -kClampedExponent;
  char text[kKeptDigits + 1 + 16];
  int n = 0;
  for (int i = 0; i < m.kept; ++i) text[n++] = m.digits[i];
  text[n++] = 'e';
  std::to_chars_result written = std::to_chars(text + n, text + sizeof text, power);
  double value = 0.0;
  std::from_chars_result r = std::from_chars(text, written.ptr, value);
  if (r.ec == std::errc::result_out_of_range) return power + m.kept > 0 ? HUGE_VAL : 0.0;
  return value;
}

// Any other number, from its mantissa at p. Kept apart from the common
// number, whose path then needs no room for the digit buffer.
#if defined(__GNUC__)
__attribute__((noinline))
#endif
size_t ConvertWrittenNumber(const char* text, const char* p, double& value) {
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  Mantissa m;  // the digit buffer is written before it is read
  m.kept = 0;
  m.scale = 0;
  m.sticky = false;
  m.written = 0;
  p = ReadMantissa(p, m);
  if (m.written == 0) return 0;
  int64_t exponent = 0;
  p = ReadExponent(p, exponent);
  double magnitude = ConvertMagnitude(m, exponent);
  value = negative ? -magnitude : magnitude;
  return static_cast<size_t>(p - text);
}

}  // namespace

size_t ConvertNumber(const char* text, double& value) {
  const char* p = text;
  while (IsSpace(*p)) ++p;
  const char* end = p;
  auto readByte = [](const char* at, int&) { return *at; };
  if (ReadPlainNumber(p, readByte, value, end)) return static_cast<size_t>(end - text);
  return ConvertWrittenNumber(text, p, value);
}
