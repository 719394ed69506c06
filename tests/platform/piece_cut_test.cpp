#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/piece_cut.h"

namespace {

// The pieces a text is cut into, from its start.
std::vector<size_t> PieceEnds(const std::string& text) {
  std::vector<size_t> ends;
  for (size_t from = 0; from < text.size();) ends.push_back(from = PieceEnd(text.c_str(), from, text.size()));
  return ends;
}

const size_t kPiece = kInsertPiece;
const std::string kSjisA = "\x82\xa0";  // あ

struct CutCase {
  const char* name;
  std::string text;
  std::vector<size_t> ends;
};

// A line of k bytes, then CR LF and a short line "b" CR LF.
std::string LineThenB(size_t k, const std::string& fill = "a") {
  std::string line;
  while (line.size() < k) line += fill;
  return line.substr(0, k) + "\r\nb\r\n";
}

TEST(PieceEnd, Table) {
  const CutCase cases[] = {
      {"ShortTextWhole", "b\r\na\r\n", {6}},
      {"WholePieceWhole", std::string(kPiece, 'a'), {kPiece}},
      // The CR is the piece's last byte: it goes with its LF into the next piece.
      {"CrLastByteOfPiece", LineThenB(kPiece - 1), {kPiece - 1, kPiece + 4}},
      {"LfLastByteOfPiece", LineThenB(kPiece - 2), {kPiece, kPiece + 3}},
      {"LineOfAPiece", LineThenB(kPiece), {kPiece, kPiece + 5}},
      {"LineBeyondAPiece", LineThenB(kPiece + 1), {kPiece, kPiece + 6}},
      // Two-byte characters across the limit: never cut between lead and trail.
      {"TwoByteAcrossLimit", "a" + LineThenB(kPiece, kSjisA), {kPiece - 1, kPiece + 6}},
      {"TwoByteEndsAtLimit", LineThenB(kPiece + 2, kSjisA), {kPiece, kPiece + 7}},
      // A two-byte character ends right before a CR that ends the piece.
      {"TwoByteThenCrLast", "a" + LineThenB(kPiece - 2, kSjisA), {kPiece - 1, kPiece + 4}},
      // A line longer than two pieces, each piece full.
      {"LineOfTwoPiecesAndMore", LineThenB(2 * kPiece + 7), {kPiece, 2 * kPiece, 2 * kPiece + 12}},
      {"LineOfTwoPiecesCrAtSecondLimit", LineThenB(2 * kPiece - 1), {kPiece, 2 * kPiece - 1, 2 * kPiece + 4}},
      // An earlier line end is preferred to a cut inside a line, even one that
      // ends the piece's first two bytes; a lone LF ends no line.
      {"EarlierLineEnd", "x\r\n" + LineThenB(kPiece), {3, kPiece + 3, kPiece + 8}},
      {"CrLfThenLineLongerThanAPiece", "\r\n" + LineThenB(kPiece + 10), {2, kPiece + 2, kPiece + 17}},
      {"LoneLineFeedEndsNoLine", std::string(100, 'a') + "\n" + LineThenB(kPiece), {kPiece, kPiece + 106}},
  };
  for (const CutCase& c : cases) {
    EXPECT_EQ(PieceEnds(c.text), c.ends) << c.name;
    // No piece ends between CR and LF or inside a two-byte character.
    for (size_t end : PieceEnds(c.text)) {
      if (end == c.text.size()) continue;
      EXPECT_FALSE(c.text[end - 1] == '\r' && c.text[end] == '\n') << c.name << " at " << end;
    }
  }
}

}  // namespace
