// The real options dialog, run on this thread over a plain owner window
// while a second thread works it as a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/app_record.h"
#include "cmdline/sort_options.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "res/texts.h"
#include "tests/ui/dialog_driver.h"
#include "tests/ui/dialog_layout.h"
#include "tests/ui/settings_file.h"
#include "ui/options_dialog.h"

namespace {

const SortOptions kReset = {0, 0, 0, 0, 0, 0, 0, 0, kColumnFromDefault, kColumnWidthDefault};

// Every box the dialog shows, as the tool asked for it; the box itself is
// still shown, for the driver to read and dismiss.
struct BoxCall {
  WindowHandle owner;
  std::string text;
  unsigned style;
};
std::mutex g_boxMutex;
std::vector<BoxCall> g_boxCalls;

int RecordAndShowBox(WindowHandle owner, const char* text, const char* caption, unsigned style) {
  {
    std::lock_guard<std::mutex> lock(g_boxMutex);
    g_boxCalls.push_back({owner, text, style});
  }
  return MessageBoxA(static_cast<HWND>(owner), text, caption, style);
}

std::string RangeText(const char* format) {
  char text[kFormatLimit];
  FormatText(text, format, 1u, 2147483647u);
  return text;
}

std::string Flags() {
  std::string s;
  for (int k = 0; k < 7; ++k) s += OptionFlag(g_sortOptions, k) ? '1' : '0';
  return s;
}

// The nine keys that an OK writes, as lines of a new file.
std::vector<std::string> SavedLines(const std::string& flags, uint32_t from, uint32_t width) {
  const char* keys[] = {"SortAscending", "RemoveDuplicateLine", "ExtractDuplicateLine", "CompareAsBinaryText",
                        "SortByColumn", "TreatNumberAsNumerical", "TreatZenNumAsNumerical"};
  std::vector<std::string> lines = {"[Option]"};
  for (int k = 0; k < 7; ++k) lines.push_back(std::string(keys[k]) + "=" + flags[k]);
  lines.push_back("ColumnFrom=" + std::to_string(from));
  lines.push_back("ColumnWidth=" + std::to_string(width));
  return lines;
}

// The same keys, for a file whose existing keys keep their places.
std::map<std::string, std::string> SavedKeys(const std::string& flags, uint32_t from, uint32_t width) {
  std::map<std::string, std::string> keys;
  const std::vector<std::string> lines = SavedLines(flags, from, width);
  for (size_t i = 1; i < lines.size(); ++i) keys[lines[i].substr(0, lines[i].find('='))] = lines[i].substr(lines[i].find('=') + 1);
  return keys;
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

class OptionsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveSettingsFile();
    g_sortOptions = kReset;
    app_ = std::make_unique<AppRecord>();
    SetMessageBoxHook(RecordAndShowBox);
    g_boxCalls.clear();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrdwellTestOwner";
    RegisterClassW(&wc);
    PlaceOwner({100, 80, 900, 680});
  }

  void TearDown() override {
    SetMessageBoxHook(nullptr);
    if (owner_) DestroyWindow(owner_);
    RemoveSettingsFile();
    g_sortOptions = kReset;
  }

  void PlaceOwner(RECT r) {
    if (owner_) DestroyWindow(owner_);
    owner_ = CreateWindowExW(0, L"OrdwellTestOwner", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, r.left, r.top,
                             r.right - r.left, r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    app_->link.mainWindow = owner_;
  }

  // Runs the dialog here while script works it from a second thread.
  int RunDialog(const std::function<void(DialogDriver&)>& script) {
    std::atomic<bool> done{false};
    std::thread driver([&] {
      DialogDriver d(owner_);
      if (d.WaitForDialog()) script(d);
      else ADD_FAILURE() << "the options dialog did not appear";
      SweepOwnedWindows(owner_, done);
    });
    const int result = RunOptionsDialog(*app_, GetModuleHandleW(nullptr));
    done = true;
    driver.join();
    return result;
  }

  std::vector<BoxCall> BoxCalls() {
    std::lock_guard<std::mutex> lock(g_boxMutex);
    return g_boxCalls;
  }

  std::unique_ptr<AppRecord> app_;
  HWND owner_ = nullptr;
};

const int kColumnControls[] = {IDC_COLUMNFROM, IDC_COLUMNFROM_LABEL, IDC_COLUMNWIDTH, IDC_COLUMNWIDTH_LABEL};

// What the dialog shows: the file's keys over the switches. Each run is
// cancelled, which must leave the file as it was.
TEST_F(OptionsDialogTest, ShowsTheFileOverTheSwitches) {
  struct Case {
    const char* name;
    const char* file;  // null: no file
    SortOptions switches;
    const char* checks;  // boxes 1003..1009
    const wchar_t* from;
    const wchar_t* width;
    bool zenEnabled, columnEnabled;
  };
  const SortOptions numbers = {1, 0, 0, 0, 0, 0, 1, 0, 1, 2147483647};
  const SortOptions ascending = {1, 1, 0, 0, 0, 0, 0, 0, 1, 2147483647};
  const Case cases[] = {
      {"first run with /D /N", nullptr, numbers, "0000010", L"1", L"2147483647", true, false},
      {"first run with /D /A", nullptr, ascending, "1000000", L"1", L"2147483647", false, false},
      {"SortAscending=0 beats /A", "[Option]\r\nSortAscending=0\r\n", ascending, "0000000", L"1", L"2147483647",
       false, false},
      {"SortAscending=5 is on", "[Option]\r\nSortAscending=5\r\n", kReset, "1000000", L"1", L"2147483647", false,
       false},
      {"ColumnFrom=0 is shown as it is", "[Option]\r\nColumnFrom=0\r\n", kReset, "0000000", L"0", L"2147483647",
       false, false},
      {"the column box enables the fields", "[Option]\r\nSortByColumn=1\r\nColumnWidth=12\r\n", numbers, "0000110",
       L"1", L"12", true, true},
      {"the numbers box off disables 1009", "[Option]\r\nTreatNumberAsNumerical=0\r\nTreatZenNumAsNumerical=1\r\n",
       numbers, "0000001", L"1", L"2147483647", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.file) WriteSettingsFile(c.file);
    else RemoveSettingsFile();
    std::string before;
    const bool hadFile = ReadSettingsFile(before);
    g_sortOptions = c.switches;
    const int result = RunDialog([&](DialogDriver& d) {
      std::string checks;
      for (int id = IDC_SORTASCENDING; id <= IDC_TREATZENNUMASNUMERICAL; ++id) checks += d.Checked(id) ? '1' : '0';
      EXPECT_EQ(c.checks, checks);
      EXPECT_EQ(c.from, d.Text(IDC_COLUMNFROM));
      EXPECT_EQ(c.width, d.Text(IDC_COLUMNWIDTH));
      EXPECT_EQ(c.zenEnabled, d.Enabled(IDC_TREATZENNUMASNUMERICAL));
      for (int id : kColumnControls) EXPECT_EQ(c.columnEnabled, d.Enabled(id)) << id;
      d.Press(IDCANCEL);
      EXPECT_TRUE(d.WaitForEnd());
    });
    EXPECT_EQ(2, result);
    std::string after;
    EXPECT_EQ(hadFile, ReadSettingsFile(after));
    EXPECT_EQ(before, after);
  }
}

// Cancel, Esc and the close box end with 2 and leave the file alone; OK and
// Enter end with 1 and write all nine keys.
TEST_F(OptionsDialogTest, EndsByEachWay) {
  struct Case {
    const char* name;
    std::function<void(DialogDriver&)> end;
    int result;
    bool saved;
  };
  const Case cases[] = {
      {"Cancel button", [](DialogDriver& d) { d.Press(IDCANCEL); }, 2, false},
      {"Esc", [](DialogDriver& d) { d.Key(VK_ESCAPE); }, 2, false},
      {"close box", [](DialogDriver& d) { d.CloseBox(); }, 2, false},
      {"OK button", [](DialogDriver& d) { d.Press(IDOK); }, 1, true},
      {"Enter", [](DialogDriver& d) { d.Key(VK_RETURN); }, 1, true},
  };
  const std::string file = "[Option]\r\nSortAscending=1\r\nColumnWidth=40\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteSettingsFile(file);
    g_sortOptions = kReset;
    const int result = RunDialog([&](DialogDriver& d) {
      d.Click(IDC_REMOVEDUPLICATELINE);
      c.end(d);
      EXPECT_TRUE(d.WaitForEnd());
    });
    EXPECT_EQ(c.result, result);
    if (c.saved) {
      EXPECT_EQ(SavedKeys("1100000", 1, 40), OptionKeys());
      EXPECT_EQ("1100000", Flags());
    } else {
      std::string after;
      ASSERT_TRUE(ReadSettingsFile(after));
      EXPECT_EQ(file, after);
    }
    EXPECT_TRUE(BoxCalls().empty());
  }
}

TEST_F(OptionsDialogTest, FirstOkCreatesTheFile) {
  g_sortOptions = {1, 0, 0, 0, 0, 0, 1, 0, 1, 2147483647};  // /D /N
  const int result = RunDialog([](DialogDriver& d) {
    d.Press(IDOK);
    EXPECT_TRUE(d.WaitForEnd());
  });
  EXPECT_EQ(1, result);
  EXPECT_EQ(SavedLines("0000010", 1, 2147483647), SettingsLines());
}

// The enabling rules follow the boxes; disabled boxes and fields keep their
// marks and texts, and OK still saves them.
TEST_F(OptionsDialogTest, EnablingFollowsTheBoxes) {
  WriteSettingsFile(
      "[Option]\r\nTreatNumberAsNumerical=1\r\nTreatZenNumAsNumerical=1\r\nSortByColumn=1\r\nColumnFrom=5\r\n"
      "ColumnWidth=6\r\n");
  struct Step {
    int click;  // 0: none, look only
    bool zenEnabled, zenChecked, columnEnabled;
  };
  const Step steps[] = {
      {0, true, true, true},
      {IDC_TREATNUMBERASNUMERICAL, false, true, true},
      {IDC_SORTBYCOLUMN, false, true, false},
      {IDC_TREATNUMBERASNUMERICAL, true, true, false},
      {IDC_TREATNUMBERASNUMERICAL, false, true, false},
      // boxes that rule nothing leave the states alone
      {IDC_SORTASCENDING, false, true, false},
  };
  const int result = RunDialog([&](DialogDriver& d) {
    for (const Step& s : steps) {
      SCOPED_TRACE(s.click);
      if (s.click) d.Click(s.click);
      EXPECT_EQ(s.zenEnabled, d.Enabled(IDC_TREATZENNUMASNUMERICAL));
      EXPECT_EQ(s.zenChecked, d.Checked(IDC_TREATZENNUMASNUMERICAL));
      for (int id : kColumnControls) EXPECT_EQ(s.columnEnabled, d.Enabled(id)) << id;
      EXPECT_EQ(L"5", d.Text(IDC_COLUMNFROM));
      EXPECT_EQ(L"6", d.Text(IDC_COLUMNWIDTH));
    }
    d.Press(IDOK);
    EXPECT_TRUE(d.WaitForEnd());
  });
  EXPECT_EQ(1, result);
  EXPECT_EQ(SavedKeys("1000001", 5, 6), OptionKeys());
}

// OK checks the start position, then the width, each until the first
// refusal; a refusal shows the range, keeps the dialog open and saves nothing.
TEST_F(OptionsDialogTest, RefusesNumbersOutOfRange) {
  enum Message { kNone, kFrom, kWidth };
  struct Step {
    const wchar_t* from;  // null: leave the field as it is
    const wchar_t* width;
    Message message;
  };
  struct Case {
    const char* name;
    const char* file;
    std::vector<Step> steps;
    uint32_t from, width;  // saved at the end
  };
  const Case cases[] = {
      {"both empty: the start position only, then the width",
       nullptr,
       {{L"", L"", kFrom}, {L"5", nullptr, kWidth}, {nullptr, L"7", kNone}},
       5,
       7},
      {"start position above the range", nullptr, {{L"2147483648", L"1", kFrom}, {L"2147483647", nullptr, kNone}},
       2147483647, 1},
      {"width above the range", nullptr, {{L"1", L"2147483648", kWidth}, {nullptr, L"2147483647", kNone}}, 1,
       2147483647},
      {"zero", nullptr, {{L"0", L"0", kFrom}, {L"1", nullptr, kWidth}, {nullptr, L"3", kNone}}, 1, 3},
      {"ColumnFrom=0 from the file, refused while the field is disabled",
       "[Option]\r\nSortByColumn=0\r\nColumnFrom=0\r\n",
       {{nullptr, nullptr, kFrom}, {L"3", nullptr, kNone}},
       3,
       2147483647},
  };
  const std::string fromText = RangeText(kTextColumnFromRange);
  const std::string widthText = RangeText(kTextColumnWidthRange);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.file) WriteSettingsFile(c.file);
    else RemoveSettingsFile();
    std::string before;
    const bool hadFile = ReadSettingsFile(before);
    g_sortOptions = kReset;
    g_boxCalls.clear();
    const int result = RunDialog([&](DialogDriver& d) {
      for (const Step& s : c.steps) {
        if (s.from) d.Type(IDC_COLUMNFROM, s.from);
        if (s.width) d.Type(IDC_COLUMNWIDTH, s.width);
        d.Press(IDOK);
        if (s.message == kNone) break;
        std::string text;
        HWND boxOwner = nullptr;
        ASSERT_TRUE(d.TakeMessageBox(text, boxOwner));
        EXPECT_EQ(s.message == kFrom ? fromText : widthText, text);
        EXPECT_EQ(owner_, boxOwner) << "owned by the editor's window, not the dialog";
        EXPECT_TRUE(d.NoMessageBox()) << "one message per OK";
        EXPECT_TRUE(IsWindowVisible(d.dialog())) << "the dialog stays open";
        std::string now;
        EXPECT_EQ(hadFile, ReadSettingsFile(now));
        EXPECT_EQ(before, now) << "a refused OK writes nothing";
      }
      EXPECT_TRUE(d.WaitForEnd());
    });
    EXPECT_EQ(1, result);
    EXPECT_EQ(SavedKeys("0000000", c.from, c.width), OptionKeys());
    for (const BoxCall& call : BoxCalls()) EXPECT_EQ(kBoxOk | kBoxIconInformation, call.style);
  }
}

// The live dialog shows the compiled texts, title and font.
TEST_F(OptionsDialogTest, ShowsTheCompiledTexts) {
  RunDialog([](DialogDriver& d) {
    wchar_t title[256] = {};
    GetWindowTextW(d.dialog(), title, 256);
    EXPECT_STREQ(kDialogTitle, title);
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(d.dialog(), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(kDialogFont, font.lfFaceName);
    HWND child = GetWindow(d.dialog(), GW_CHILD);
    for (const ControlRow& row : kDialogControls) {
      ASSERT_NE(nullptr, child);
      EXPECT_EQ(row.id, static_cast<int>(static_cast<short>(GetDlgCtrlID(child))));
      if (row.classAtom != 0x81) {
        wchar_t text[256] = {};
        GetWindowTextW(child, text, 256);
        EXPECT_STREQ(row.caption, text) << row.id;
      }
      child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_NE(0u, GetClassLongPtrW(d.dialog(), GCLP_HICON)) << "the tool's icon on the dialog class";
    d.Press(IDCANCEL);
    EXPECT_TRUE(d.WaitForEnd());
  });
}

// Alt with each box's letter toggles that box; C and W move to the fields.
TEST_F(OptionsDialogTest, AltLettersReachTheirControls) {
  WriteSettingsFile("[Option]\r\nSortByColumn=1\r\nTreatNumberAsNumerical=1\r\n");
  RunDialog([](DialogDriver& d) {
    const struct { char letter; int box; } boxes[] = {
        {'a', IDC_SORTASCENDING},       {'r', IDC_REMOVEDUPLICATELINE},    {'e', IDC_EXTRACTDUPLICATELINE},
        {'t', IDC_COMPAREASBINARYTEXT}, {'z', IDC_TREATZENNUMASNUMERICAL}, {'n', IDC_TREATNUMBERASNUMERICAL}};
    for (const auto& b : boxes) {
      const bool was = d.Checked(b.box);
      d.AltKey(b.letter);
      EXPECT_TRUE(d.WaitUntil([&] { return d.Checked(b.box) != was; })) << b.letter;
    }
    d.AltKey('c');
    EXPECT_TRUE(d.WaitUntil([&] { return d.Focus() == GetDlgItem(d.dialog(), IDC_COLUMNFROM); }));
    d.AltKey('w');
    EXPECT_TRUE(d.WaitUntil([&] { return d.Focus() == GetDlgItem(d.dialog(), IDC_COLUMNWIDTH); }));
    d.Press(IDCANCEL);
    EXPECT_TRUE(d.WaitForEnd());
  });
}

// Centred across the owner with a third of the free height above; a dialog
// taller than its owner starts above the owner's top edge.
TEST_F(OptionsDialogTest, OpensCentredOverTheOwner) {
  struct Case { const char* name; RECT owner; };
  const Case cases[] = {
      {"large owner", {100, 80, 900, 680}},
      {"small owner", {300, 400, 450, 460}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlaceOwner(c.owner);
    RunDialog([&](DialogDriver& d) {
      RECT o, w;
      GetWindowRect(owner_, &o);
      GetWindowRect(d.dialog(), &w);
      const int width = w.right - w.left, height = w.bottom - w.top;
      EXPECT_EQ(o.left + ((o.right - o.left) - width) / 2, w.left);
      EXPECT_EQ(o.top + ((o.bottom - o.top) - height) / 3, w.top);
      if (height > o.bottom - o.top) {
        EXPECT_LT(w.top, o.top);
      }
      d.Press(IDCANCEL);
      EXPECT_TRUE(d.WaitForEnd());
    });
  }
}

TEST_F(OptionsDialogTest, FailureToOpenIsReported) {
  struct Recorded { WindowHandle owner; std::string text; unsigned style; };
  static Recorded recorded;
  recorded = {};
  SetMessageBoxHook([](WindowHandle owner, const char* text, const char*, unsigned style) {
    recorded = {owner, text, style};
    return IDOK;
  });
  // A module without the template: the dialog cannot be created.
  EXPECT_EQ(2, RunOptionsDialog(*app_, GetModuleHandleW(L"kernel32")));
  EXPECT_EQ(kTextDialogFailed, recorded.text);
  EXPECT_EQ(kBoxOk | kBoxIconInformation, recorded.style);
  EXPECT_EQ(static_cast<WindowHandle>(owner_), recorded.owner);
}

}  // namespace
