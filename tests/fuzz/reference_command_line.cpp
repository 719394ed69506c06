#include "tests/fuzz/reference_command_line.h"

#include <cstring>

namespace {

bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrail(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The letter of each flag, in the order of ReferenceSwitches::flags.
const char kFlagLetters[] = "DARETCNZ";

// strtoul with base 10 in 32 bits: saturate, then a minus negates modulo 2^32.
bool ReferenceUnsigned(const std::string& s, uint32_t& out) {
  size_t i = 0;
  while (i < s.size() && std::strchr(" \t\n\v\f\r", s[i]) && s[i] != '\0') ++i;
  bool negative = i < s.size() && s[i] == '-';
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  if (i == s.size() || s[i] < '0' || s[i] > '9') return false;
  uint64_t v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    v = v * 10 + uint64_t(s[i] - '0');
    if (v > 0xFFFFFFFFu) v = 0xFFFFFFFFu;
  }
  if (i != s.size()) return false;
  uint32_t value = negative ? uint32_t(0u - uint32_t(v)) : uint32_t(v);
  if (value < 1 || value > 2147483647u) return false;
  out = value;
  return true;
}

}  // namespace

std::vector<std::string> ReferenceSplit(const std::string& line) {
  std::vector<std::string> args(1);
  enum { kBetween, kOutside, kInside } state = kBetween;
  const size_t n = line.size();
  size_t i = 0;
  for (;;) {
    if (state == kBetween) {
      while (i < n && IsBlank(line[i])) ++i;
      state = kOutside;
    }
    if (i == n) break;
    unsigned char c = line[i];
    if (IsLead(c) && i + 1 < n && IsTrail(line[i + 1])) {
      args.back() += line.substr(i, 2);
      i += 2;
    } else if (IsBlank(c)) {
      size_t j = i;
      while (j < n && IsBlank(line[j])) ++j;
      if (j == n) break;
      if (state == kInside) {
        args.back() += char(c);
      } else {
        args.emplace_back();
        state = kBetween;
      }
      ++i;
    } else if (c == '"') {
      state = state == kInside ? kOutside : kInside;
      ++i;
    } else if (c == '/') {
      if (!args.back().empty()) args.emplace_back();
      args.back() += '/';
      ++i;
    } else if (c == '\\' && state == kInside && i + 1 < n && (line[i + 1] == '\\' || line[i + 1] == '"')) {
      args.back() += line[i + 1];
      i += 2;
    } else {
      args.back() += char(c);
      ++i;
    }
  }
  if (args.back().empty()) args.pop_back();
  return args;
}

ReferenceSwitches ReferenceParse(const std::vector<std::string>& args) {
  ReferenceSwitches r = {{0}, 1, 2147483647u, {}};
  if (args.size() <= 1) {
    r.flags[0] = 1;
    return r;
  }
  bool seen = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.empty()) continue;
    seen = true;
    if (a[0] != '/' || a.size() == 1) {
      r.reported.push_back(int(i));
    } else if (a.size() >= 3 && a[2] == ':') {
      uint32_t* target = a[1] == 'F' || a[1] == 'f' ? &r.columnFrom
                         : a[1] == 'W' || a[1] == 'w' ? &r.columnWidth
                                                      : nullptr;
      if (!target || !ReferenceUnsigned(a.substr(3), *target)) r.reported.push_back(int(i));
    } else {
      for (size_t k = 1; k < a.size(); ++k) {
        const char* letter = a[k] ? std::strchr(kFlagLetters, a[k] & ~0x20) : nullptr;
        bool isLetter = letter && ((a[k] >= 'A' && a[k] <= 'Z') || (a[k] >= 'a' && a[k] <= 'z'));
        if (isLetter)
          r.flags[letter - kFlagLetters] = a[k] >= 'A' && a[k] <= 'Z';
        else
          r.reported.push_back(int(i));
      }
    }
  }
  if (!seen || !r.reported.empty()) r.flags[0] = 1;
  return r;
}
