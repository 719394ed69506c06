#pragma once
#include <cstddef>
#include <string>

// A slow reference for the number grammar: white space 0x09-0x0D and 0x20,
// an optional sign, a mantissa with at least one digit and an optional point,
// an optional exponent e E d D that needs a digit. Returns the bytes the
// number takes at the start of text (0: none) and its value, which the
// platform's strtod computes from a normalised copy (no white space, 'e' as
// the exponent letter), so that it never sees a form of its own.
size_t ReferenceConvert(const std::string& text, double& value);

// The full-width scanner's reading of text: the number characters copied to
// ASCII, converted, and the consumed characters measured back in the text.
// Returns the bytes of text the number takes (0: none).
size_t ReferenceScanFullWidth(const std::string& text, double& value);
