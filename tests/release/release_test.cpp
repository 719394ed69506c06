// The release as a user installs it: the zip of the shipped build unpacked
// into a folder whose path has spaces and Japanese characters, among them
// 表, ソ and 能, whose second byte in code page 932 is a backslash, and the
// stand-in editors copied under such a path too. Every path must survive
// the process list, the version reader, the start of a second editor and
// the settings file. tools/run-release-test.sh makes the folders and names
// them in ORDWELL_RELEASE_DIR (the unpacked zip), ORDWELL_RELEASE_RUN_DIR
// (the executables the runs start: the zip's own, or the x86_64 ones where
// the machine runs no 32-bit code) and ORDWELL_RELEASE_EDITOR_DIR.
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "editor/editor_protocol.h"
#include "editor/version_reader.h"
#include "res/resource.h"
#include "tests/e2e/run_dialog.h"
#include "tests/e2e/run_fixture.h"

namespace {

// Read wide and converted here: Wine's GetEnvironmentVariableA ends the
// value at its length in characters, short of the bytes that a Japanese
// path takes in code page 932.
std::string Variable(const wchar_t* name) {
  wchar_t wide[1024] = {};
  DWORD n = GetEnvironmentVariableW(name, wide, 1024);
  char value[2048] = {};
  if (n && n < 1024) WideCharToMultiByte(CP_ACP, 0, wide, -1, value, sizeof value, nullptr, nullptr);
  return value;
}

std::string ReleaseDir() { return Variable(L"ORDWELL_RELEASE_DIR"); }
std::string RunDir() { return Variable(L"ORDWELL_RELEASE_RUN_DIR"); }

// Points the harness at the packaged Ordwell.exe and the copied stand-ins,
// once they are known to lie on the paths this test is about.
class ReleaseFolders : public ::testing::Environment {
  void SetUp() override {
    const std::string app = ReleaseDir(), run = RunDir(), editors = Variable(L"ORDWELL_RELEASE_EDITOR_DIR");
    ASSERT_FALSE(app.empty() || run.empty() || editors.empty()) << "run by tools/run-release-test.sh";
    for (const char* part : {" ", "表", "ソ", "能"}) {
      EXPECT_NE(app.find(part), std::string::npos) << part;
      EXPECT_NE(run.find(part), std::string::npos) << part;
      EXPECT_NE(editors.find(part), std::string::npos) << part;
    }
    UseOrdwellExe(run + "\\Ordwell.exe");
    UseStandinDir(editors);
  }
};
::testing::Environment* const kReleaseFolders = ::testing::AddGlobalTestEnvironment(new ReleaseFolders);

const std::string kHead = "head\r\n", kTail = "tail";
const std::string kUnsortedLines = "みかん\r\nいちご\r\nbanana\r\nApple\r\nいちご\r\n";
const std::string kSortedLines = "Apple\r\nbanana\r\nいちご\r\nいちご\r\nみかん\r\n";
const std::string kDuplicateLines = "いちご\r\n";

struct ReleaseRow {
  const char* name;
  StandinVariant variant;
  const char* options;  // the editor's: with or without its exe-name child
  const char* switches;
  bool selection;       // the lines between kHead and kTail selected
  LRESULT kindAsked;    // EDM_GETSELECTIONKIND: the version came from the path
  LRESULT channelUsed;  // EDM_EXPORTTEXT
};

void PrintTo(const ReleaseRow& row, std::ostream* os) { *os << row.name; }

// The exe path comes from the editor's child window or from the process
// list; the version read from it picks the transport, and /E starts the
// second editor from it.
const ReleaseRow kReleaseRows[] = {
    {"WholeText_ExeNameChild", StandinVariant::k0_73_0_1, "", "/A", false, 1, 1},
    {"WholeText_ProcessList", StandinVariant::k0_73_0_1, "--no-exe-name", "/A", false, 1, 1},
    {"Selection_OlderEditor_ExeNameChild", StandinVariant::k0_72_0_6, "", "/A", true, 1, 0},
    {"Selection_OlderEditor_ProcessList", StandinVariant::k0_72_0_6, "--no-exe-name", "/A", true, 1, 0},
    {"Extract_ExeNameChild", StandinVariant::k0_73_0_1, "", "/AE", false, 1, 1},
    {"Extract_ProcessList", StandinVariant::k0_72_0_6, "--no-exe-name", "/AE", false, 1, 0},
};

class ReleaseTable : public OrdwellTest, public ::testing::WithParamInterface<ReleaseRow> {
 protected:
  // The new editor holds the duplicates and runs the very executable of the
  // first one.
  void ExpectSecondEditor(const Standin& first, StandinVariant variant) {
    std::vector<DWORD> others = OtherStandinIds(first.processId);
    ASSERT_EQ(others.size(), 1u) << "one new editor";
    Standin second;
    ASSERT_TRUE(AttachStandin(others[0], &second));
    EXPECT_EQ(TextOf(second), kDuplicateLines);
    char image[MAX_PATH * 2] = {};
    DWORD size = sizeof image;
    ASSERT_TRUE(QueryFullProcessImageNameA(second.process, 0, image, &size));
    EXPECT_EQ(lstrcmpiA(image, StandinExePath(variant).c_str()), 0) << image;
    EXPECT_TRUE(StopStandin(&second));
  }
};

TEST_P(ReleaseTable, PackagedToolSortsFromThere) {
  const ReleaseRow& row = GetParam();
  const DWORD start = row.selection ? DWORD(kHead.size()) : 0;
  const DWORD stop = row.selection ? DWORD(kHead.size() + kUnsortedLines.size()) : 0;
  std::string options = row.options;
  if (row.selection) options += " --select=" + std::to_string(start) + "," + std::to_string(stop);
  const std::string head = row.selection ? kHead : "", tail = row.selection ? kTail : "";
  Standin editor;
  ASSERT_TRUE(StartEditor(row.variant, options, head + kUnsortedLines + tail, &editor));

  OrdwellEnd end = RunToEnd(row.switches);
  EXPECT_EQ(end.exitCode, kSorted);
  EXPECT_EQ(TextOf(editor), head + kSortedLines + tail);
  EXPECT_EQ(SelectionOf(editor), std::make_pair(start, stop));
  EXPECT_EQ(StandinMessageCount(editor, EDM_GETSELECTIONKIND), row.kindAsked);
  EXPECT_EQ(StandinMessageCount(editor, EDM_EXPORTTEXT), row.channelUsed);
  if (std::string(row.switches).find('E') != std::string::npos) ExpectSecondEditor(editor, row.variant);
}

INSTANTIATE_TEST_SUITE_P(Release, ReleaseTable, ::testing::ValuesIn(kReleaseRows),
                         [](const auto& info) { return std::string(info.param.name); });

using ReleaseRun = OrdwellTest;

// An older editor's text longer than one message's chunk is read piece by
// piece, each further piece after a deletion that is undone; the document
// ends sorted and whole. One line is refused without a word.
TEST_F(ReleaseRun, ChunkedReadSortsAndOneLineIsRefused) {
  std::string unsorted, sorted;
  for (int i = 7999; i >= 0; --i) unsorted += "行" + std::to_string(100000 + i) + " line\r\n";
  for (int i = 0; i < 8000; ++i) sorted += "行" + std::to_string(100000 + i) + " line\r\n";
  ASSERT_GT(unsorted.size(), 3u * 32760u);
  Standin editor;
  ASSERT_TRUE(StartEditor(StandinVariant::k0_72_0_6, "", unsorted, &editor));
  OrdwellEnd end = RunToEnd("/A /T");
  EXPECT_EQ(end.exitCode, kSorted);
  EXPECT_EQ(TextOf(editor), sorted);
  EXPECT_EQ(StandinMessageCount(editor, EDM_EXPORTTEXT), 0);
  ASSERT_TRUE(StopStandin(&editor));
  StopOrdwell(&run_);

  ASSERT_TRUE(StartEditor(StandinVariant::k0_73_0_1, "", "ひとつ\r\n", &editor));
  end = RunToEnd("/A");
  EXPECT_EQ(end.exitCode, kNotSorted);
  EXPECT_EQ(TextOf(editor), "ひとつ\r\n");
}

using ReleaseDialog = OrdwellTest;

// OK writes Ordwell.ini beside the packaged executable; the next run's
// dialog opens with what it holds.
TEST_F(ReleaseDialog, SettingsFileBesideThePackagedExe) {
  ASSERT_EQ(SettingsFilePath(), RunDir() + "\\Ordwell.ini");
  RemoveSettingsFile();
  Standin editor;
  ASSERT_TRUE(StartEditor(StandinVariant::k0_73_0_1, "", kUnsortedLines, &editor));
  ASSERT_TRUE(StartOrdwell("/D", &run_));
  HWND dialog = WaitForOptionsDialog(run_, editor.mainWindow);
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(ClickBox(dialog, IDC_SORTASCENDING));
  ASSERT_TRUE(ClickBox(dialog, IDC_REMOVEDUPLICATELINE));
  ASSERT_TRUE(PressButton(dialog, IDOK));
  ASSERT_TRUE(WaitForDialogClosed(run_, dialog));
  OrdwellEnd first = WaitForOrdwellEnd(run_);
  EXPECT_EQ(first.strayBox, "");
  EXPECT_EQ(first.exitCode, kSorted);
  EXPECT_EQ(TextOf(editor), "Apple\r\nbanana\r\nいちご\r\nみかん\r\n");
  const std::vector<std::string> saved = {
      "[Option]", "SortAscending=1", "RemoveDuplicateLine=1", "ExtractDuplicateLine=0",
      "CompareAsBinaryText=0", "SortByColumn=0", "TreatNumberAsNumerical=0", "TreatZenNumAsNumerical=0",
      "ColumnFrom=1", "ColumnWidth=2147483647"};
  EXPECT_EQ(SettingsLines(), saved);
  StopOrdwell(&run_);
  ASSERT_TRUE(StopStandin(&editor));

  ASSERT_TRUE(StartEditor(StandinVariant::k0_73_0_1, "", kUnsortedLines, &editor));
  ASSERT_TRUE(StartOrdwell("/D", &run_));
  dialog = WaitForOptionsDialog(run_, editor.mainWindow);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(BoxMarks(dialog), "1100000");
  ASSERT_TRUE(PressButton(dialog, IDCANCEL));
  ASSERT_TRUE(WaitForDialogClosed(run_, dialog));
  OrdwellEnd end = WaitForOrdwellEnd(run_);
  EXPECT_EQ(end.strayBox, "");
  EXPECT_EQ(end.exitCode, kCancelled);
  RemoveSettingsFile();
}

// The file properties of both packaged executables, read as the system
// reads them: the strings and the fixed version.
TEST(ReleaseVersion, PackagedExecutablesCarryTheProjectVersion) {
  struct Row {
    const char* file;
    const char* description;
  } rows[] = {{"Ordwell.exe", "Morvane の行ソートツール"}, {"ordwell-sort.exe", "行ソートフィルター"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    VersionInfoReader reader;
    CreateReader(reader, (ReleaseDir() + "\\" + row.file).c_str());
    EXPECT_STREQ(GetStringByName(reader, "FileVersion"), ORDWELL_VERSION_QUAD);
    EXPECT_STREQ(GetStringByName(reader, "ProductVersion"), ORDWELL_VERSION_QUAD);
    EXPECT_STREQ(GetStringByName(reader, "ProductName"), "Ordwell");
    EXPECT_STREQ(GetStringByName(reader, "FileDescription"), row.description);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(reader.block && VerQueryValueA(reader.block, "\\", reinterpret_cast<void**>(&fixed), &size));
    char quad[64];
    wsprintfA(quad, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
              HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    EXPECT_STREQ(quad, ORDWELL_VERSION_QUAD);
    ReleaseReader(reader);
  }
}

// The packaged executables as the loader sees them, read from the files so
// that the x86_64 test reads them as well as the i686 one: built for i386,
// the tool a GUI program and the filter a console one, the tool
// large-address-aware (its largest document nearly doubles under 64-bit
// Windows), and importing from system libraries only.
struct Image {
  std::string bytes;
  IMAGE_NT_HEADERS32 nt = {};
  std::vector<IMAGE_SECTION_HEADER> sections;
};

bool ReadImage(const std::string& path, Image* image) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const DWORD size = GetFileSize(file, nullptr);
  image->bytes.assign(size == INVALID_FILE_SIZE ? 0 : size, '\0');
  DWORD got = 0;
  const bool read = size != INVALID_FILE_SIZE && ReadFile(file, &image->bytes[0], size, &got, nullptr) && got == size;
  CloseHandle(file);
  IMAGE_DOS_HEADER dos = {};
  if (!read || size < sizeof dos) return false;
  memcpy(&dos, image->bytes.data(), sizeof dos);
  const size_t at = DWORD(dos.e_lfanew);
  if (at > size || size - at < sizeof image->nt) return false;
  memcpy(&image->nt, image->bytes.data() + at, sizeof image->nt);
  const size_t first = at + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + image->nt.FileHeader.SizeOfOptionalHeader;
  const size_t count = image->nt.FileHeader.NumberOfSections;
  if (first > size || (size - first) / sizeof(IMAGE_SECTION_HEADER) < count) return false;
  image->sections.resize(count);
  memcpy(image->sections.data(), image->bytes.data() + first, count * sizeof(IMAGE_SECTION_HEADER));
  return true;
}

// The file's bytes at a relative virtual address, at least `need` of them,
// or null where no section holds them.
const char* BytesAt(const Image& image, DWORD rva, size_t need) {
  for (const IMAGE_SECTION_HEADER& section : image.sections) {
    if (rva < section.VirtualAddress || rva - section.VirtualAddress >= section.SizeOfRawData) continue;
    const size_t at = size_t(section.PointerToRawData) + (rva - section.VirtualAddress);
    return at < image.bytes.size() && image.bytes.size() - at >= need ? image.bytes.data() + at : nullptr;
  }
  return nullptr;
}

// The names of the libraries the image imports from, in upper case.
std::vector<std::string> ImportedLibraries(const Image& image) {
  std::vector<std::string> names;
  const IMAGE_DATA_DIRECTORY& directory = image.nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (DWORD rva = directory.VirtualAddress; rva && rva < directory.VirtualAddress + directory.Size;
       rva += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    IMAGE_IMPORT_DESCRIPTOR descriptor = {};
    const char* at = BytesAt(image, rva, sizeof descriptor);
    if (!at) break;
    memcpy(&descriptor, at, sizeof descriptor);
    const char* name = BytesAt(image, descriptor.Name, 1);
    if (!descriptor.Name || !name) break;
    std::string upper(name, strnlen(name, image.bytes.data() + image.bytes.size() - name));
    CharUpperBuffA(&upper[0], DWORD(upper.size()));
    names.push_back(upper);
  }
  return names;
}

TEST(ReleaseImage, PackagedExecutablesAreI386WithSystemImportsOnly) {
  const std::vector<std::string> system = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "COMCTL32.DLL",
                                           "MSVCRT.DLL", "VERSION.DLL", "PSAPI.DLL", "ADVAPI32.DLL"};
  struct Row {
    const char* file;
    WORD subsystem;
  } rows[] = {{"Ordwell.exe", IMAGE_SUBSYSTEM_WINDOWS_GUI}, {"ordwell-sort.exe", IMAGE_SUBSYSTEM_WINDOWS_CUI}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    Image image;
    ASSERT_TRUE(ReadImage(ReleaseDir() + "\\" + row.file, &image));
    EXPECT_EQ(image.nt.Signature, DWORD(IMAGE_NT_SIGNATURE));
    EXPECT_EQ(image.nt.FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(image.nt.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_EQ(image.nt.OptionalHeader.Subsystem, row.subsystem);
    EXPECT_TRUE(image.nt.FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE);
    const std::vector<std::string> libraries = ImportedLibraries(image);
    EXPECT_FALSE(libraries.empty());
    for (const std::string& library : libraries) {
      EXPECT_NE(std::find(system.begin(), system.end(), library), system.end()) << library;
    }
  }
}

}  // namespace
