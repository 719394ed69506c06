#include "tests/fuzz/reference_number.h"

#include <cstdlib>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }

// The bytes of the character at text[i]: 2 for a lead byte followed by a
// trail byte, else 1.
size_t CharacterAt(const std::string& text, size_t i) {
  unsigned char lead = text[i];
  bool isLead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
  if (!isLead || i + 1 >= text.size()) return 1;
  unsigned char trail = text[i + 1];
  return trail >= 0x40 && trail <= 0xFC && trail != 0x7F ? 2 : 1;
}

// The full-width number characters of code page 932 and their ASCII bytes.
struct FullWidthCharacter {
  unsigned char lead, trail;
  char ascii;
};
const FullWidthCharacter kFullWidth[] = {
    {0x82, 0x4F, '0'}, {0x82, 0x50, '1'}, {0x82, 0x51, '2'}, {0x82, 0x52, '3'}, {0x82, 0x53, '4'},
    {0x82, 0x54, '5'}, {0x82, 0x55, '6'}, {0x82, 0x56, '7'}, {0x82, 0x57, '8'}, {0x82, 0x58, '9'},
    {0x81, 0x44, '.'}, {0x81, 0x7B, '+'}, {0x81, 0x7C, '-'}, {0x82, 0x63, 'D'}, {0x82, 0x64, 'E'},
    {0x82, 0x84, 'd'}, {0x82, 0x85, 'e'},
};

char MapFullWidth(unsigned char lead, unsigned char trail) {
  for (const FullWidthCharacter& c : kFullWidth)
    if (c.lead == lead && c.trail == trail) return c.ascii;
  return 0;
}

}  // namespace

size_t ReferenceConvert(const std::string& text, double& value) {
  size_t i = 0, n = text.size();
  while (i < n && IsSpace(text[i])) ++i;
  std::string normal;
  if (i < n && (text[i] == '+' || text[i] == '-')) normal += text[i++];
  size_t digits = 0;
  normal += '0';  // so that ".5" and "5." read alike
  for (; i < n && IsDigit(text[i]); ++i, ++digits) normal += text[i];
  if (i < n && text[i] == '.') {
    normal += text[i++];
    for (; i < n && IsDigit(text[i]); ++i, ++digits) normal += text[i];
  }
  if (digits == 0) return 0;
  if (i < n && std::string("eEdD").find(text[i]) != std::string::npos) {
    size_t j = i + 1;
    std::string exponent = "e";
    if (j < n && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
    if (j < n && IsDigit(text[j])) {
      for (; j < n && IsDigit(text[j]); ++j) exponent += text[j];
      normal += exponent;
      i = j;
    }
  }
  value = std::strtod(normal.c_str(), nullptr);
  return i;
}

size_t ReferenceScanFullWidth(const std::string& text, double& value) {
  std::string copy;
  for (size_t i = 0; i < text.size();) {
    size_t width = CharacterAt(text, i);
    char c = width == 2 ? MapFullWidth(text[i], text[i + 1]) : text[i];
    if (!c || !(IsDigit(c) || std::string(".+-DdEe").find(c) != std::string::npos)) break;
    copy += c;
    i += width;
  }
  size_t characters = ReferenceConvert(copy, value);
  size_t bytes = 0;
  for (size_t k = 0; k < characters; ++k) bytes += CharacterAt(text, bytes);
  return bytes;
}
