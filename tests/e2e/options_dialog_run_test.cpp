// The options dialog as a run of Ordwell.exe shows it: opened by the command
// line, owned and placed by the editor's main window, filled from the
// settings file beside the executable, worked through its controls, and its
// end deciding whether and how the editor's text is sorted.
#include <string>
#include <vector>

#include "editor/editor_protocol.h"
#include "res/resource.h"
#include "res/texts.h"
#include "tests/e2e/run_dialog.h"
#include "tests/e2e/run_fixture.h"

namespace {

const std::string kUnsorted = "b10\r\nA2\r\nb9\r\na2\r\nB1\r\n";
const std::string kNoFile;  // the row starts without a settings file

const std::string kSection = "[Option]";
const char* const kFlagKeys[] = {"SortAscending", "RemoveDuplicateLine", "ExtractDuplicateLine",
                                 "CompareAsBinaryText", "SortByColumn", "TreatNumberAsNumerical",
                                 "TreatZenNumAsNumerical"};

// The lines of a file that an OK has written from scratch: all nine keys.
std::vector<std::string> SavedLines(const std::string& marks, const std::string& from, const std::string& width) {
  std::vector<std::string> lines = {kSection};
  for (int k = 0; k < 7; ++k) lines.push_back(std::string(kFlagKeys[k]) + "=" + marks[k]);
  lines.push_back("ColumnFrom=" + from);
  lines.push_back("ColumnWidth=" + width);
  return lines;
}

std::string RangeMessage(const char* format) {
  char text[1024];
  wsprintfA(text, format, 1u, 2147483647u);
  return text;
}

const int kColumnControls[] = {IDC_COLUMNFROM, IDC_COLUMNFROM_LABEL, IDC_COLUMNWIDTH, IDC_COLUMNWIDTH_LABEL};

// Every test starts from the file it writes and leaves none behind; the
// tests share that one file and so never run side by side.
class DialogRunTest : public OrdwellTest {
 protected:
  void SetUp() override { RemoveSettingsFile(); }
  void TearDown() override {
    OrdwellTest::TearDown();
    RemoveSettingsFile();
  }

  // Starts the editor on kUnsorted with fileText as the settings file, runs
  // the tool with the arguments, dismisses the expected bad-argument boxes
  // and returns the dialog.
  HWND OpenDialog(const std::string& arguments, const std::string& fileText, int badArguments = 0) {
    if (fileText.empty()) RemoveSettingsFile();
    else WriteSettingsFile(fileText);
    if (!StartEditor(StandinVariant::k0_73_0_1, "", kUnsorted, &editor_)) {
      ADD_FAILURE() << "the stand-in editor did not come up";
      return nullptr;
    }
    if (!StartOrdwell(arguments, &run_)) {
      ADD_FAILURE() << "Ordwell.exe did not start: " << OrdwellExePath();
      return nullptr;
    }
    for (int k = 0; k < badArguments; ++k) {
      RangeBox box = WaitForRunBox(run_, editor_.mainWindow);
      EXPECT_NE(box.window, nullptr) << "bad-argument box " << k;
      if (box.window) { EXPECT_TRUE(DismissMessageBox(box.window)); }
    }
    HWND dialog = WaitForOptionsDialog(run_, editor_.mainWindow);
    EXPECT_NE(dialog, nullptr) << "no options dialog owned by the editor";
    return dialog;
  }

  // Waits for the dialog to close and then for the run's end, expecting no
  // box.
  int ExitCode(HWND dialog) {
    EXPECT_TRUE(WaitForDialogClosed(run_, dialog)) << "the dialog stays up";
    OrdwellEnd end = WaitForOrdwellEnd(run_);
    EXPECT_EQ(end.strayBox, "");
    EXPECT_TRUE(end.exited);
    return end.exitCode;
  }

  std::string FileBytes() {
    std::string bytes = "(no file)";
    ReadSettingsFile(&bytes);
    return bytes;
  }

  Standin editor_;
};

// The dialog opens for /D, for no arguments and after a faulty switch, owned
// by the editor, which it disables, and shows the file's keys over the
// switches. Cancelling leaves file and text as they were.
TEST_F(DialogRunTest, ShowsTheFileOverTheSwitches) {
  struct Row {
    const char* name;
    const char* arguments;
    int badArguments;
    std::string file;
    const char* marks;  // boxes 1003..1009
    const char* from;
    const char* width;
    bool zenEnabled, columnEnabled;
  } rows[] = {
      {"/D /N, no file", "/D /N", 0, kNoFile, "0000010", "1", "2147483647", true, false},
      {"no arguments, the file's column window", "", 0,
       "[Option]\r\nSortByColumn=1\r\nColumnFrom=4\r\nColumnWidth=12\r\n", "0000100", "4", "12", false, true},
      {"/A /D, SortAscending=0 beats /A", "/A /D", 0, "[Option]\r\nSortAscending=0\r\n", "0000000", "1",
       "2147483647", false, false},
      {"/A /D, /A fills in for a missing key", "/A /D", 0, "[Option]\r\nRemoveDuplicateLine=1\r\n", "1100000", "1",
       "2147483647", false, false},
      {"faulty switch, SortAscending=5 is on", "/Q", 1, "[Option]\r\nSortAscending=5\r\n", "1000000", "1",
       "2147483647", false, false},
      {"/D /C /F:3, ColumnFrom=0 shown as it is", "/D /C /F:3", 0, "[Option]\r\nColumnFrom=0\r\n", "0000100", "0",
       "2147483647", false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    HWND dialog = OpenDialog(row.arguments, row.file, row.badArguments);
    ASSERT_NE(dialog, nullptr);
    const std::string fileBefore = FileBytes();
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), editor_.mainWindow);
    EXPECT_FALSE(IsWindowEnabled(editor_.mainWindow)) << "the dialog is modal over the editor";
    EXPECT_EQ(BoxMarks(dialog), row.marks);
    EXPECT_EQ(ControlText(dialog, IDC_COLUMNFROM), row.from);
    EXPECT_EQ(ControlText(dialog, IDC_COLUMNWIDTH), row.width);
    EXPECT_EQ(IsControlEnabled(dialog, IDC_TREATZENNUMASNUMERICAL), row.zenEnabled);
    for (int id : kColumnControls) EXPECT_EQ(IsControlEnabled(dialog, id), row.columnEnabled) << id;

    ASSERT_TRUE(PressButton(dialog, IDCANCEL));
    EXPECT_EQ(ExitCode(dialog), kCancelled);
    EXPECT_EQ(FileBytes(), fileBefore);
    EXPECT_EQ(TextOf(editor_), kUnsorted);
    EXPECT_TRUE(IsWindowEnabled(editor_.mainWindow)) << "the editor takes input again";
    StopOrdwell(&run_);
    EXPECT_TRUE(StopStandin(&editor_));
  }
}

// 1009 follows 1008, the column controls follow 1007; a disabled box keeps
// its mark and a disabled field its text; OK saves both, and the run sorts
// with the boxes as they ended, disabled or not.
TEST_F(DialogRunTest, EnablingFollowsTheBoxesAndDisabledMarksAreSaved) {
  HWND dialog = OpenDialog("/D /A /N /Z /C /F:2 /W:1", kNoFile);
  ASSERT_NE(dialog, nullptr);
  struct Step {
    int click;  // 0: look only
    bool zenEnabled, columnEnabled;
  } steps[] = {
      {0, true, true},
      {IDC_TREATNUMBERASNUMERICAL, false, true},
      {IDC_SORTBYCOLUMN, false, false},
      {IDC_TREATNUMBERASNUMERICAL, true, false},
      {IDC_TREATNUMBERASNUMERICAL, false, false},
      {IDC_REMOVEDUPLICATELINE, false, false},  // rules nothing
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.click);
    if (step.click) { ASSERT_TRUE(ClickBox(dialog, step.click)); }
    EXPECT_EQ(IsControlEnabled(dialog, IDC_TREATZENNUMASNUMERICAL), step.zenEnabled);
    EXPECT_TRUE(IsBoxChecked(dialog, IDC_TREATZENNUMASNUMERICAL)) << "a disabled box keeps its mark";
    for (int id : kColumnControls) EXPECT_EQ(IsControlEnabled(dialog, id), step.columnEnabled) << id;
    EXPECT_EQ(ControlText(dialog, IDC_COLUMNFROM), "2");
    EXPECT_EQ(ControlText(dialog, IDC_COLUMNWIDTH), "1");
  }
  ASSERT_TRUE(PressButton(dialog, IDOK));
  EXPECT_EQ(ExitCode(dialog), kSorted);
  EXPECT_EQ(SettingsLines(), SavedLines("1100001", "2", "1"));
  // Whole lines, locale order, duplicates gone: A2 and a2 are one line here.
  EXPECT_EQ(TextOf(editor_), "A2\r\nB1\r\nb10\r\nb9\r\n");
}

// OK refuses a number out of range with one message at a time, the start
// position before the width, owned by the editor; the dialog stays open and
// the file untouched until both numbers pass. ColumnFrom=0 from the file is
// refused while its field is still disabled.
TEST_F(DialogRunTest, RangeMessagesInOrderUntilBothNumbersPass) {
  const std::string file = "[Option]\r\nColumnFrom=0\r\n";
  HWND dialog = OpenDialog("/D /A", file);
  ASSERT_NE(dialog, nullptr);
  ASSERT_FALSE(IsControlEnabled(dialog, IDC_COLUMNFROM));
  ASSERT_EQ(ControlText(dialog, IDC_COLUMNFROM), "0");
  const std::string fromMessage = RangeMessage(kTextColumnFromRange);
  const std::string widthMessage = RangeMessage(kTextColumnWidthRange);
  struct Step {
    int click;         // a box clicked first; 0: none
    const char* from;  // typed into the field; null: left as it is
    const char* width;
    const std::string& message;
  } steps[] = {
      {0, nullptr, nullptr, fromMessage},
      {IDC_SORTBYCOLUMN, "", "", fromMessage},
      {0, "2147483648", nullptr, fromMessage},
      {0, "2147483647", nullptr, widthMessage},
      {0, nullptr, "2147483648", widthMessage},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(std::string(step.from ? step.from : "-") + " " + (step.width ? step.width : "-"));
    if (step.click) { ASSERT_TRUE(ClickBox(dialog, step.click)); }
    if (step.from) { ASSERT_TRUE(TypeIntoField(dialog, IDC_COLUMNFROM, step.from)); }
    if (step.width) { ASSERT_TRUE(TypeIntoField(dialog, IDC_COLUMNWIDTH, step.width)); }
    ASSERT_TRUE(PressButton(dialog, IDOK));
    RangeBox box = WaitForRunBox(run_, editor_.mainWindow);
    ASSERT_NE(box.window, nullptr) << "no range message owned by the editor";
    EXPECT_EQ(box.text, step.message);
    ASSERT_TRUE(DismissMessageBox(box.window));
    EXPECT_TRUE(NoRunBox(run_, dialog)) << "one message per OK";
    EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog stays open";
    EXPECT_EQ(FileBytes(), file) << "a refused OK writes nothing";
  }
  ASSERT_TRUE(TypeIntoField(dialog, IDC_COLUMNWIDTH, "2147483647"));
  ASSERT_TRUE(PressButton(dialog, IDOK));
  EXPECT_EQ(ExitCode(dialog), kSorted);
  // The file's key keeps its place; the other eight follow in their order.
  EXPECT_EQ(SettingsLines(), (std::vector<std::string>{kSection, "ColumnFrom=2147483647", "SortAscending=1",
                                                       "RemoveDuplicateLine=0", "ExtractDuplicateLine=0",
                                                       "CompareAsBinaryText=0", "SortByColumn=1",
                                                       "TreatNumberAsNumerical=0", "TreatZenNumAsNumerical=0",
                                                       "ColumnWidth=2147483647"}));
  // Every window starts past the line's end: equal keys keep their order.
  EXPECT_EQ(TextOf(editor_), kUnsorted);
}

struct OkRow {
  const char* name;
  const char* arguments;
  std::string file;
  std::vector<int> clicks;  // boxes clicked in order
  const char* from;         // typed into the fields; null: left as shown
  const char* width;
  UINT key;  // 0: the OK button; else the key pressed
  const char* sorted;
  std::vector<std::string> saved;
};

void PrintTo(const OkRow& row, std::ostream* os) { *os << row.name; }

// The text has a case pair (A2 a2), numbers of two lengths (b9 b10) and an
// upper-case line among lower-case ones (B1). Descending is ascending read
// backwards, the case pair included.
const OkRow kOkRows[] = {
    {"AscendingClicked", "/D", kNoFile, {IDC_SORTASCENDING}, nullptr, nullptr, 0, "A2\r\na2\r\nB1\r\nb10\r\nb9\r\n",
     SavedLines("1000000", "1", "2147483647")},
    {"DescendingByTheFileOverA", "/A /D", "[Option]\r\nSortAscending=0\r\n", {}, nullptr, nullptr, 0,
     "b9\r\nb10\r\nB1\r\na2\r\nA2\r\n", {kSection, "SortAscending=0", "RemoveDuplicateLine=0",
                                         "ExtractDuplicateLine=0", "CompareAsBinaryText=0", "SortByColumn=0",
                                         "TreatNumberAsNumerical=0", "TreatZenNumAsNumerical=0", "ColumnFrom=1",
                                         "ColumnWidth=2147483647"}},
    {"FiveSavedAsOne", "/D", "[Option]\r\nSortAscending=5\r\n", {}, nullptr, nullptr, VK_RETURN,
     "A2\r\na2\r\nB1\r\nb10\r\nb9\r\n", SavedLines("1000000", "1", "2147483647")},
    {"ByteOrderClicked", "/D /A", kNoFile, {IDC_COMPAREASBINARYTEXT}, nullptr, nullptr, VK_RETURN,
     "A2\r\nB1\r\na2\r\nb10\r\nb9\r\n", SavedLines("1001000", "1", "2147483647")},
    {"NumbersClicked", "/D /A", kNoFile, {IDC_TREATNUMBERASNUMERICAL}, nullptr, nullptr, 0,
     "A2\r\na2\r\nB1\r\nb9\r\nb10\r\n", SavedLines("1000010", "1", "2147483647")},
    {"DuplicatesRemovedClicked", "/D /A /N", kNoFile, {IDC_REMOVEDUPLICATELINE}, nullptr, nullptr, 0,
     "A2\r\nB1\r\nb9\r\nb10\r\n", SavedLines("1100010", "1", "2147483647")},
    {"ColumnWindowTyped", "/D /A", kNoFile, {IDC_SORTBYCOLUMN}, "2", "1", VK_RETURN,
     "b10\r\nB1\r\nA2\r\na2\r\nb9\r\n", SavedLines("1000100", "2", "1")},
    {"ColumnWindowWithNumbers", "/D /A", kNoFile, {IDC_SORTBYCOLUMN, IDC_TREATNUMBERASNUMERICAL}, "2", nullptr, 0, "B1\r\nA2\r\na2\r\nb9\r\nb10\r\n",
     SavedLines("1000110", "2", "2147483647")},
};

class OkTable : public DialogRunTest, public ::testing::WithParamInterface<OkRow> {};

// OK (the button or Enter) writes all nine keys, and the run sorts the
// editor's whole text with what the dialog showed and the user chose.
TEST_P(OkTable, SavesAllKeysAndSortsWithTheChosenOptions) {
  const OkRow& row = GetParam();
  HWND dialog = OpenDialog(row.arguments, row.file);
  ASSERT_NE(dialog, nullptr);
  for (int id : row.clicks) ASSERT_TRUE(ClickBox(dialog, id)) << id;
  if (row.from) { ASSERT_TRUE(TypeIntoField(dialog, IDC_COLUMNFROM, row.from)); }
  if (row.width) { ASSERT_TRUE(TypeIntoField(dialog, IDC_COLUMNWIDTH, row.width)); }
  ASSERT_TRUE(row.key ? PressKey(dialog, row.key) : PressButton(dialog, IDOK));
  EXPECT_EQ(ExitCode(dialog), kSorted);
  EXPECT_EQ(SettingsLines(), row.saved);
  EXPECT_EQ(TextOf(editor_), row.sorted);
  EXPECT_EQ(SelectionOf(editor_), std::make_pair(DWORD(0), DWORD(0)));
}

INSTANTIATE_TEST_SUITE_P(DialogRun, OkTable, ::testing::ValuesIn(kOkRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Cancel, Esc and the close box end the run with -3 before the text is read:
// the file keeps its bytes and the editor its text, whatever was clicked.
TEST_F(DialogRunTest, EveryWayOutEndsTheRunUntouched) {
  struct Row {
    const char* name;
    bool (*leave)(HWND dialog);
  } rows[] = {
      {"Cancel button", [](HWND dialog) { return PressButton(dialog, IDCANCEL); }},
      {"Esc", [](HWND dialog) { return PressKey(dialog, VK_ESCAPE); }},
      {"close box", [](HWND dialog) { return PressCloseBox(dialog); }},
  };
  const std::string file = "[Option]\r\nSortAscending=1\r\nColumnWidth=40\r\n";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    HWND dialog = OpenDialog("/D", file);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(ClickBox(dialog, IDC_REMOVEDUPLICATELINE));
    ASSERT_TRUE(TypeIntoField(dialog, IDC_COLUMNWIDTH, "7"));
    ASSERT_TRUE(row.leave(dialog));
    EXPECT_EQ(ExitCode(dialog), kCancelled);
    EXPECT_EQ(FileBytes(), file);
    EXPECT_EQ(TextOf(editor_), kUnsorted);
    for (UINT message : {UINT(EDM_GETSELECTIONKIND), UINT(EDM_EXPORTTEXT), UINT(EDM_IMPORTTEXT)})
      EXPECT_EQ(StandinMessageCount(editor_, message), 0) << std::hex << message;
    StopOrdwell(&run_);
    EXPECT_TRUE(StopStandin(&editor_));
  }
}

// Centred across the editor's main window with a third of the free height
// above it; over a window lower than itself it starts above the top edge.
TEST_F(DialogRunTest, OpensCentredOverTheEditor) {
  struct Row {
    const char* name;
    RECT editor;
  } rows[] = {
      {"large editor", {60, 40, 900, 700}},
      {"low editor", {300, 400, 520, 460}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (!StartEditor(StandinVariant::k0_73_0_1, "", kUnsorted, &editor_)) FAIL() << "no editor";
    const RECT& e = row.editor;
    ASSERT_TRUE(MoveWindow(editor_.mainWindow, e.left, e.top, e.right - e.left, e.bottom - e.top, TRUE));
    ASSERT_TRUE(StartOrdwell("/D", &run_));
    HWND dialog = WaitForOptionsDialog(run_, editor_.mainWindow);
    ASSERT_NE(dialog, nullptr);
    RECT o, d;
    ASSERT_TRUE(GetWindowRect(editor_.mainWindow, &o));
    ASSERT_TRUE(GetWindowRect(dialog, &d));
    EXPECT_EQ(o.left, e.left);
    const int width = d.right - d.left, height = d.bottom - d.top;
    EXPECT_EQ(d.left, o.left + (o.right - o.left - width) / 2);
    EXPECT_EQ(d.top, o.top + (o.bottom - o.top - height) / 3);
    if (height > o.bottom - o.top) { EXPECT_LT(d.top, o.top); }
    ASSERT_TRUE(PressButton(dialog, IDCANCEL));
    EXPECT_EQ(ExitCode(dialog), kCancelled);
    StopOrdwell(&run_);
    EXPECT_TRUE(StopStandin(&editor_));
  }
}

}  // namespace
