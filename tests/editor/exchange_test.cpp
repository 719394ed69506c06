// The text exchange against real stand-in editors: every test starts one,
// links to it at a packed version of its choosing, and ends by checking the
// editor's document byte for byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "editor/exchange.h"
#include "platform/heap.h"
#include "tests/support/standin_process.h"

namespace {

constexpr uint32_t kChannel = 0x00490001;    // first version with the channel
constexpr uint32_t kNoChannel = 0x00490000;  // just below it

// Lines of Japanese and ASCII, CR LF ended, exactly size bytes long.
std::string MixedText(size_t size, unsigned seed = 1) {
  std::string text;
  char line[64];
  for (unsigned i = 0; text.size() + 40 <= size; ++i) {
    snprintf(line, sizeof line, "行%06u 日本語のテキスト abc\r\n", (i + seed) * 7919 % 1000000);
    text += line;
  }
  text.append(size - text.size(), 'x');
  return text;
}

// ASCII whose bytes differ from place to place, so that a chunk read out of
// order or twice shows.
std::string AsciiText(size_t size) {
  std::string text(size, ' ');
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('!' + (i * 31 + i / 97) % 90);
  return text;
}

class Exchange : public ::testing::Test {
 protected:
  void TearDown() override {
    FailAllocation(0);
    FailAllocationsFrom(0);
    ReleaseLink(link_);
    EXPECT_TRUE(StopStandin(&standin_));
    EXPECT_TRUE(NoStandinRunning());
  }

  // Starts the variant on a document, then links to it at the given version.
  void Start(const std::string& text, const std::string& options, uint32_t version,
             StandinVariant variant = StandinVariant::k0_73_0_1) {
    std::string file = WriteTempFile(text);
    ASSERT_FALSE(file.empty());
    bool started = StartStandin(variant, "\"--file=" + file + "\" " + options, &standin_);
    DeleteFileA(file.c_str());
    ASSERT_TRUE(started);
    link_.heap = CreatePrivateHeap(0);
    link_.mainWindow = standin_.mainWindow;
    link_.editPane = standin_.editPane;
    link_.packedVersion = version;
    ASSERT_TRUE(ResetStandinCounts(standin_));
  }

  std::string EditorText() {
    std::string text;
    EXPECT_TRUE(ReadStandinText(standin_, &text));
    return text;
  }

  void ExpectSelection(DWORD start, DWORD end) {
    DWORD s = 99, e = 99;
    ASSERT_TRUE(ReadStandinSelection(standin_, &s, &e));
    EXPECT_EQ(s, start);
    EXPECT_EQ(e, end);
  }

  LRESULT Count(UINT message) { return StandinMessageCount(standin_, message); }

  Standin standin_;
  EditorLink link_{};
};

// ---- gates

TEST(ExchangeGates, CompareUnsigned) {
  struct Row {
    uint32_t version;
    uint8_t busy;
    bool channel;
    bool kind;
  } rows[] = {
      {0x00490001, 0, true, true},   {0x00490000, 0, false, true},  {0x00490001, 1, false, true},
      {0x00480006, 0, false, true},  {0x00480005, 0, false, false}, {0, 0, false, false},
      {0xFF000000, 0, true, true},   {0xFF000000, 1, false, true},
  };
  for (const Row& row : rows) {
    EditorLink link{};
    link.packedVersion = row.version;
    link.busy = row.busy;
    EXPECT_EQ(CanUseSharedMemory(link), row.channel) << std::hex << row.version << " busy " << int(row.busy);
    EXPECT_EQ(CanAskSelectionKind(link), row.kind) << std::hex << row.version;
  }
}

// Which transport a whole-text read takes, by the link's version and busy
// flag; and whether the stand-in serves the channel by its own version.
TEST_F(Exchange, WholeTextReadTakesTheGatedTransport) {
  struct Row {
    uint32_t version;
    uint8_t busy;
    StandinVariant variant;
    LRESULT exports;   // EDM_EXPORTTEXT sent
    LRESULT getTexts;  // WM_GETTEXT sent
  } rows[] = {
      {kChannel, 0, StandinVariant::k0_73_0_1, 1, 0},
      {kNoChannel, 0, StandinVariant::k0_73_0_1, 0, 1},
      {kChannel, 1, StandinVariant::k0_73_0_1, 0, 1},
      {0, 0, StandinVariant::k0_73_0_1, 0, 1},
      {0xFF000000, 0, StandinVariant::k0_73_0_1, 1, 0},
      {kChannel, 0, StandinVariant::k0_72_0_6, 1, 1},  // asked, refused: too old
      {kChannel, 0, StandinVariant::k0_72_0_5, 1, 1},
      {kChannel, 0, StandinVariant::kNoVersion, 1, 1},
  };
  std::string doc = MixedText(5000);
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << std::hex << row.version << " busy " << int(row.busy) << " variant "
                                    << int(row.variant));
    Start(doc, "", row.version, row.variant);
    link_.busy = row.busy;
    char* text = ReadWholeText(link_);
    EXPECT_EQ(Count(EDM_EXPORTTEXT), row.exports);
    EXPECT_EQ(Count(WM_GETTEXT), row.getTexts);
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text == doc);
    EXPECT_TRUE(EditorText() == doc);
    TearDown();
  }
}

TEST_F(Exchange, SelectionKindByVersionAndReply) {
  struct Row {
    uint32_t version;
    StandinVariant variant;
    const char* options;
    int32_t kind;
    LRESULT asked;  // EDM_GETSELECTIONKIND sent
  } rows[] = {
      {0x00480006, StandinVariant::k0_73_0_1, "--select=2,5", 0, 1},
      {0x00480005, StandinVariant::k0_73_0_1, "--select=2,5", 0, 0},
      {0x00480006, StandinVariant::k0_73_0_1, "", -1, 1},
      {0x00480005, StandinVariant::k0_73_0_1, "", -1, 0},
      {0, StandinVariant::k0_73_0_1, "--select=2,3", 0, 0},
      {0, StandinVariant::k0_73_0_1, "", -1, 0},
      {0xFF000000, StandinVariant::k0_73_0_1, "", -1, 1},
      {0x00480006, StandinVariant::k0_73_0_1, "--kind-reply=1", 1, 1},
      {0x00480006, StandinVariant::k0_73_0_1, "--kind-reply=2", kSelectionKindUnknown, 1},
      {0x00480006, StandinVariant::k0_73_0_1, "--kind-reply=-2", kSelectionKindUnknown, 1},
      {0x00480006, StandinVariant::k0_72_0_6, "", -1, 1},
      {0x00480006, StandinVariant::k0_72_0_5, "", 0, 1},  // too old to answer: DefWindowProc gives 0
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << std::hex << row.version << " " << row.options);
    Start("abcdefgh", row.options, row.version, row.variant);
    EXPECT_EQ(GetSelectionKind(link_), row.kind);
    EXPECT_EQ(Count(EDM_GETSELECTIONKIND), row.asked);
    EXPECT_EQ(EditorText(), "abcdefgh");
    TearDown();
  }
}

// ---- reading

TEST_F(Exchange, EmptyDocumentGivesEmptyText) {
  for (uint32_t version : {kChannel, kNoChannel}) {
    SCOPED_TRACE(version);
    Start("", "", version);
    char* whole = ReadWholeText(link_);
    ASSERT_NE(whole, nullptr);
    EXPECT_STREQ(whole, "");
    char* selection = ReadSelection(link_);
    ASSERT_NE(selection, nullptr);
    EXPECT_STREQ(selection, "");
    EXPECT_EQ(EditorText(), "");
    TearDown();
  }
}

// Texts longer than one WM_GETTEXT are read from the front, each chunk
// deleted after it is read and every deletion undone at the end.
TEST_F(Exchange, ChunkedReadUndoesItsDeletions) {
  struct Row {
    size_t size;
    LRESULT getTexts;
    LRESULT deletions;
    LRESULT lastBufferSize;
  } rows[] = {
      {32760, 1, 0, 32761},
      {32761, 2, 1, 2},
      {65520, 2, 1, 32761},
      {65521, 3, 2, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.size);
    std::string doc = AsciiText(row.size);
    Start(doc, "--select=7,11", kNoChannel);
    char* text = ReadWholeText(link_);
    EXPECT_EQ(Count(WM_GETTEXT), row.getTexts);
    EXPECT_EQ(StandinLastWParam(standin_, WM_GETTEXT), row.lastBufferSize);
    EXPECT_EQ(Count(WM_CLEAR), row.deletions);
    EXPECT_EQ(Count(EM_UNDO), row.deletions);
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text == doc);
    ExpectSelection(7, 11);
    EXPECT_TRUE(EditorText() == doc);
    TearDown();
  }
}

// A pane that stops delivering before the text is complete gives no text,
// so that the caller cannot replace the document with a part of it; the
// deletions are undone all the same.
TEST_F(Exchange, ShortReadGivesNoTextAndLeavesTheDocument) {
  struct Row {
    const char* limit;
    bool complete;
    LRESULT deletions;
  } rows[] = {
      {"--gettext-limit=40000", true, 1},   // 32760 + 7240
      {"--gettext-limit=39999", false, 2},  // 32760 + 7239, then nothing
      {"--gettext-limit=32760", false, 1},  // 32760, then nothing
      {"--gettext-limit=0", false, 0},      // nothing at all: the pane is not touched
  };
  std::string doc = AsciiText(40000);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.limit);
    Start(doc, std::string(row.limit) + " --select=3,9", 0);
    char* text = ReadWholeText(link_);
    EXPECT_EQ(text != nullptr, row.complete);
    if (text) {
      EXPECT_TRUE(text == doc);
    }
    EXPECT_EQ(Count(WM_CLEAR), row.deletions);
    EXPECT_EQ(Count(EM_UNDO), row.deletions);
    ExpectSelection(3, 9);
    EXPECT_TRUE(EditorText() == doc);
    TearDown();
  }
}

TEST_F(Exchange, ShortReadGivesNoSelection) {
  std::string doc = AsciiText(40000);
  Start(doc, "--gettext-limit=32760 --select=3,9", 0);
  EXPECT_EQ(ReadSelection(link_), nullptr);
  EXPECT_TRUE(EditorText() == doc);
}

TEST_F(Exchange, SelectionReadThroughEitherTransport) {
  std::string doc = MixedText(70000);
  struct Row {
    uint32_t version;
    const char* options;
    LRESULT exports;
    LRESULT lastExportScope;
    bool getTexts;
  } rows[] = {
      {kChannel, "", 1, 1, false},
      {kChannel, "--refuse-export=1", 2, 0, false},   // scope 1 refused, then scope 0 served
      {kChannel, "--refuse-export=01", 2, 0, true},   // both refused: edit messages
      {kNoChannel, "", 0, 0, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.options);
    Start(doc, std::string(row.options) + " --select=33333,66666", row.version);
    char* text = ReadSelection(link_);
    EXPECT_EQ(Count(EDM_EXPORTTEXT), row.exports);
    EXPECT_EQ(StandinLastWParam(standin_, EDM_EXPORTTEXT), row.lastExportScope);
    EXPECT_EQ(Count(WM_GETTEXT) > 0, row.getTexts);
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text == doc.substr(33333, 33333));
    ExpectSelection(33333, 66666);
    EXPECT_TRUE(EditorText() == doc);
    TearDown();
  }
}

// The cut stays inside the text that was read, whatever the pane reports.
TEST_F(Exchange, SelectionCutIsClampedToTheText) {
  struct Row {
    const char* reported;
    const char* expected;
  } rows[] = {
      {"--report-selection=2,5", "cde"},
      {"--report-selection=4,100", "ef"},
      {"--report-selection=100,200", ""},
      {"--report-selection=5,2", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reported);
    Start("abcdef", row.reported, 0);
    char* text = ReadSelection(link_);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, row.expected);
    EXPECT_EQ(EditorText(), "abcdef");
    TearDown();
  }
}

// The channel moves any bytes; the edit messages are checked with code
// page 932 text only, as Wine passes them through Unicode between processes.
TEST_F(Exchange, ChannelMovesEveryByteUnchanged) {
  std::string doc;
  for (int b = 1; b < 256; ++b) doc += static_cast<char>(b);
  Start(doc, "", kChannel);
  char* text = ReadWholeText(link_);
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text == doc);
  std::string reversed(doc.rbegin(), doc.rend());
  ReplaceWholeText(link_, reversed.c_str());
  EXPECT_EQ(Count(EDM_IMPORTTEXT), 1);
  EXPECT_TRUE(EditorText() == reversed);
}

TEST_F(Exchange, LargeDocumentReadAndReplacedExactly) {
  std::string doc = MixedText(3 * 1024 * 1024 + 17, 1);
  std::string replacement = MixedText(2 * 1024 * 1024 + 3, 5);
  for (uint32_t version : {kChannel, kNoChannel}) {
    SCOPED_TRACE(version);
    Start(doc, "", version);
    char* text = ReadWholeText(link_);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(strlen(text), doc.size());
    EXPECT_TRUE(text == doc);
    EXPECT_TRUE(EditorText() == doc);
    ReplaceWholeText(link_, replacement.c_str());
    EXPECT_EQ(Count(EDM_IMPORTTEXT), version == kChannel ? 1 : 0);
    std::string now = EditorText();
    EXPECT_EQ(now.size(), replacement.size());
    EXPECT_TRUE(now == replacement);
    TearDown();
  }
}

TEST_F(Exchange, OutOfMemoryOnEitherTransport) {
  struct Row {
    uint32_t version;
    long failOne;   // FailAllocation(k)
    long failFrom;  // FailAllocationsFrom(k)
    bool text;
    LRESULT getTexts;
  } rows[] = {
      {kChannel, 1, 0, true, 1},    // the channel's buffer fails: the edit messages take over
      {kChannel, 0, 1, false, 0},   // and when theirs fails too, no text (the pane is untouched)
      {kNoChannel, 1, 0, false, 0},
  };
  std::string doc = MixedText(1000);
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.version << " " << row.failOne << " " << row.failFrom);
    Start(doc, "", row.version);
    FailAllocation(row.failOne);
    FailAllocationsFrom(row.failFrom);
    char* text = ReadWholeText(link_);
    FailAllocation(0);
    FailAllocationsFrom(0);
    EXPECT_EQ(text != nullptr, row.text);
    if (text) {
      EXPECT_TRUE(text == doc);
    }
    EXPECT_EQ(Count(WM_GETTEXT), row.getTexts);
    EXPECT_TRUE(EditorText() == doc);
    TearDown();
  }
}

TEST_F(Exchange, SelectionKeepsItsLargerBlockWhenShrinkingFails) {
  std::string doc = MixedText(1000);
  Start(doc, "--select=100,300", 0);
  FailAllocation(2);  // the whole-text buffer comes, the shrink fails
  char* text = ReadSelection(link_);
  FailAllocation(0);
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text == doc.substr(100, 200));
}

// ---- writing

TEST_F(Exchange, ReplaceWholeTextFallsBackWhenImportIsRefused) {
  struct Row {
    uint32_t version;
    const char* options;
    LRESULT imports;
    bool replaceSels;
  } rows[] = {
      {kChannel, "", 1, false},
      {kChannel, "--refuse-import=0", 1, true},
      {kNoChannel, "", 0, true},
  };
  std::string doc = MixedText(3000, 1);
  std::string replacement = MixedText(5000, 2);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.options);
    Start(doc, row.options, row.version);
    ReplaceWholeText(link_, replacement.c_str());
    EXPECT_EQ(Count(EDM_IMPORTTEXT), row.imports);
    EXPECT_EQ(Count(EM_REPLACESEL) > 0, row.replaceSels);
    EXPECT_TRUE(EditorText() == replacement);
    TearDown();
  }
}

// After the replacement the new text is selected, from the old start over
// its own length, whichever transport carried it.
TEST_F(Exchange, ReplaceSelectionSelectsTheNewText) {
  struct Row {
    uint32_t version;
    const char* options;
    const char* replacement;
  } rows[] = {
      {kChannel, "", "長い置き換えのテキスト\r\n二行目"},
      {kNoChannel, "", "長い置き換えのテキスト\r\n二行目"},
      {kChannel, "--refuse-import=1", "長い置き換えのテキスト\r\n二行目"},
      {kChannel, "", "x"},
      {kNoChannel, "", "x"},
      {kChannel, "", ""},
      {kNoChannel, "", ""},
  };
  const std::string doc = "前の行\r\nabcdefghij\r\n後の行\r\n";
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.version << " " << row.options << " " << strlen(row.replacement));
    Start(doc, std::string(row.options) + " --select=8,18", row.version);
    ReplaceSelection(link_, row.replacement);
    DWORD n = static_cast<DWORD>(strlen(row.replacement));
    ExpectSelection(8, 8 + n);
    EXPECT_EQ(EditorText(), doc.substr(0, 8) + row.replacement + doc.substr(18));
    TearDown();
  }
}

// A pane that takes only part of each insertion is given the rest again
// until everything is in.
TEST_F(Exchange, PartialInsertionsAreRepeatedUntilComplete) {
  const std::string doc = "head|middle|tail";
  const std::string text = AsciiText(1000);
  struct Row {
    bool selection;
    const char* limit;
    LRESULT insertions;
  } rows[] = {
      {false, "--insert-limit=7", 143},
      {false, "--insert-limit=1000", 1},
      {true, "--insert-limit=7", 143},
      {true, "--insert-limit=999", 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.selection << " " << row.limit);
    Start(doc, std::string(row.limit) + " --select=5,11", 0);
    if (row.selection) {
      ReplaceSelection(link_, text.c_str());
    } else {
      ReplaceWholeText(link_, text.c_str());
    }
    EXPECT_EQ(Count(EM_REPLACESEL), row.insertions);
    EXPECT_TRUE(EditorText() == (row.selection ? "head|" + text + "|tail" : text));
    if (row.selection) ExpectSelection(5, 1005);
    TearDown();
  }
}

TEST_F(Exchange, InsertionThatAddsNothingEnds) {
  Start("abc", "--insert-limit=0 --select=0,3", 0);
  ReplaceWholeText(link_, "");
  EXPECT_EQ(Count(EM_REPLACESEL), 1);
  EXPECT_EQ(EditorText(), "");
}

// ---- an existing section of the same name

// A section that someone already made under the editor's name is opened, not
// created; when it is too small for the transfer the channel is not used.
TEST_F(Exchange, ExistingSectionIsUsedOnlyWhenLargeEnough) {
  struct Row {
    bool write;
    DWORD existingSize;
    LRESULT channelMessages;
  } rows[] = {
      {false, 4096, 0},
      {false, 1 << 20, 1},
      {true, 4096, 0},
      {true, 1 << 20, 1},
  };
  std::string doc = MixedText(20000, 1);
  std::string replacement = MixedText(30000, 2);
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.write << " " << row.existingSize);
    Start(doc, "", kChannel);
    char name[64];
    snprintf(name, sizeof name, "Morvane_Map_%u", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(link_.mainWindow)));
    HANDLE existing = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, row.existingSize, name);
    ASSERT_NE(existing, nullptr);
    if (row.write) {
      ReplaceWholeText(link_, replacement.c_str());
      EXPECT_EQ(Count(EDM_IMPORTTEXT), row.channelMessages);
      EXPECT_TRUE(EditorText() == replacement);
    } else {
      char* text = ReadWholeText(link_);
      EXPECT_EQ(Count(EDM_EXPORTTEXT), row.channelMessages);
      ASSERT_NE(text, nullptr);
      EXPECT_TRUE(text == doc);
      EXPECT_TRUE(EditorText() == doc);
    }
    CloseHandle(existing);
    TearDown();
  }
}

// ---- caret and line

TEST_F(Exchange, PlaceCaretAndGoToLine) {
  const std::string doc = "one\r\ntwo\r\nthree\r\n";
  Start(doc, "--select=2,9", kChannel);
  PlaceCaret(link_, 0);
  ExpectSelection(0, 0);
  PlaceCaret(link_, 7);
  ExpectSelection(7, 7);
  GoToLine(link_, 0);
  EXPECT_EQ(StandinLastWParam(standin_, EDM_GOTOLINE), 1);
  ExpectSelection(0, 0);
  GoToLine(link_, 2);
  EXPECT_EQ(StandinLastWParam(standin_, EDM_GOTOLINE), 3);
  ExpectSelection(10, 10);
  EXPECT_EQ(EditorText(), doc);
}

}  // namespace
