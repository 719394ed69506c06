// The compiled resources as the system reads them: the dialog template's
// UTF-16 texts (a wrong code page in the resource compiler shows here), the
// four icon images and the manifest.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "tests/ui/dialog_layout.h"

namespace {

// Reads a classic (not extended) dialog template.
class TemplateReader {
 public:
  explicit TemplateReader(const void* data) : at_(static_cast<const uint8_t*>(data)) {}
  uint16_t Word() { uint16_t v; std::memcpy(&v, at_, 2); at_ += 2; return v; }
  uint32_t Dword() { uint32_t v; std::memcpy(&v, at_, 4); at_ += 4; return v; }
  short Short() { return static_cast<short>(Word()); }
  std::wstring String() {
    std::wstring s;
    for (uint16_t c; (c = Word()) != 0;) s.push_back(static_cast<wchar_t>(c));
    return s;
  }
  // A name or an ordinal: 0xFFFF then the number; the ordinal is returned
  // as one character so that both compare as strings.
  std::wstring NameOrOrdinal() {
    uint16_t first;
    std::memcpy(&first, at_, 2);
    if (first == 0xFFFF) { Word(); return std::wstring(1, static_cast<wchar_t>(Word())); }
    return String();
  }
  void AlignDword(const void* base) {
    while ((at_ - static_cast<const uint8_t*>(base)) % 4) ++at_;
  }

 private:
  const uint8_t* at_;
};

const void* LoadOwnResource(const char* type, int id, DWORD* size = nullptr) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
  if (!found) return nullptr;
  if (size) *size = SizeofResource(module, found);
  return LockResource(LoadResource(module, found));
}

TEST(DialogTemplate, HeaderTitleAndFont) {
  const void* data = LoadOwnResource(RT_DIALOG, IDD_OPTIONS);
  ASSERT_NE(nullptr, data);
  TemplateReader r(data);
  EXPECT_EQ(kDialogStyle, r.Dword());
  EXPECT_EQ(0u, r.Dword()) << "no extended styles";
  EXPECT_EQ(std::size(kDialogControls), r.Word());
  EXPECT_EQ(0, r.Short());
  EXPECT_EQ(0, r.Short());
  EXPECT_EQ(243, r.Short());
  EXPECT_EQ(151, r.Short());
  EXPECT_EQ(L"", r.NameOrOrdinal()) << "no menu";
  EXPECT_EQ(L"", r.NameOrOrdinal()) << "the system's dialog class";
  EXPECT_EQ(kDialogTitle, r.String());
  EXPECT_EQ(kDialogFontSize, r.Word());
  EXPECT_EQ(kDialogFont, r.String());
}

TEST(DialogTemplate, ControlsInTabOrder) {
  const void* data = LoadOwnResource(RT_DIALOG, IDD_OPTIONS);
  ASSERT_NE(nullptr, data);
  TemplateReader r(data);
  r.Dword(); r.Dword();
  const uint16_t count = r.Word();
  ASSERT_EQ(std::size(kDialogControls), count);
  for (int i = 0; i < 4; ++i) r.Short();
  r.NameOrOrdinal(); r.NameOrOrdinal(); r.String(); r.Word(); r.String();
  for (const ControlRow& want : kDialogControls) {
    SCOPED_TRACE(want.id);
    r.AlignDword(data);
    EXPECT_EQ(want.style, r.Dword());
    EXPECT_EQ(0u, r.Dword()) << "no extended styles";
    EXPECT_EQ(want.x, r.Short());
    EXPECT_EQ(want.y, r.Short());
    EXPECT_EQ(want.cx, r.Short());
    EXPECT_EQ(want.cy, r.Short());
    EXPECT_EQ(static_cast<uint16_t>(want.id), r.Word());
    EXPECT_EQ(std::wstring(1, static_cast<wchar_t>(want.classAtom)), r.NameOrOrdinal());
    EXPECT_EQ(want.caption, r.NameOrOrdinal());
    const uint16_t extra = r.Word();
    EXPECT_EQ(0, extra);
  }
}

// The Alt-key letters must stay unique, or a key would reach the wrong box.
TEST(DialogTemplate, MnemonicsAreDistinct) {
  std::wstring letters;
  for (const ControlRow& row : kDialogControls) {
    const wchar_t* amp = std::wcschr(row.caption, L'&');
    if (!amp) continue;
    EXPECT_EQ(std::wstring::npos, letters.find(amp[1])) << "letter used twice: " << static_cast<char>(amp[1]);
    letters.push_back(amp[1]);
  }
  EXPECT_EQ(L"ARETNZCW", letters);
}

#pragma pack(push, 1)
struct IconGroupEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST(AppIcon, FourImagesInTwoSizesAndTwoDepths) {
  const uint8_t* data = static_cast<const uint8_t*>(LoadOwnResource(RT_GROUP_ICON, IDI_APPICON));
  ASSERT_NE(nullptr, data);
  WORD header[3];
  std::memcpy(header, data, sizeof header);
  ASSERT_EQ(1, header[1]) << "icon, not cursor";
  ASSERT_EQ(4, header[2]);
  struct Want { BYTE size, colours; WORD bits; };
  const Want wants[] = {{32, 16, 4}, {32, 0, 8}, {16, 16, 4}, {16, 0, 8}};
  for (int i = 0; i < 4; ++i) {
    IconGroupEntry e;
    std::memcpy(&e, data + 6 + i * sizeof e, sizeof e);
    EXPECT_EQ(wants[i].size, e.width) << i;
    EXPECT_EQ(wants[i].size, e.height) << i;
    EXPECT_EQ(wants[i].colours, e.colours) << i;
    EXPECT_EQ(wants[i].bits, e.bitCount) << i;
  }
  for (int size : {16, 32}) {
    HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APPICON), IMAGE_ICON,
                                               size, size, 0));
    EXPECT_NE(nullptr, icon) << size;
    if (icon) DestroyIcon(icon);
  }
}

TEST(Manifest, AsksForCommonControls6OnThisProcessor) {
  DWORD size = 0;
  const char* data = static_cast<const char*>(LoadOwnResource(RT_MANIFEST, 1, &size));
  ASSERT_NE(nullptr, data);
  const std::string text(data, size);
  const std::string arch = sizeof(void*) == 8 ? "amd64" : "X86";
  const size_t dependency = text.find("name=\"Microsoft.Windows.Common-Controls\"");
  ASSERT_NE(std::string::npos, dependency);
  const size_t end = text.find("/>", dependency);
  const size_t start = text.rfind('<', dependency);
  const std::string identity = text.substr(start, end - start);
  EXPECT_NE(std::string::npos, identity.find("version=\"6.0.0.0\"")) << identity;
  EXPECT_NE(std::string::npos, identity.find("processorArchitecture=\"" + arch + "\"")) << identity;
  EXPECT_NE(std::string::npos, identity.find("publicKeyToken=\"6595b64144ccf1df\"")) << identity;
}

// Without an execution level, UAC redirects a 32-bit program's writes under
// Program Files to the VirtualStore, and the settings file beside the exe is
// no longer the one in use; without supportedOS entries, Windows treats the
// tool as written for Vista.
TEST(Manifest, RunsAsInvokerOnTheWindowsItIsBuiltFor) {
  DWORD size = 0;
  const char* data = static_cast<const char*>(LoadOwnResource(RT_MANIFEST, 1, &size));
  ASSERT_NE(nullptr, data);
  const std::string text(data, size);
  const char* const wants[] = {
      "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
      "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",  // 7
      "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>",  // 8
      "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>",  // 8.1
      "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",  // 10 and 11
  };
  for (const char* want : wants) EXPECT_NE(std::string::npos, text.find(want)) << want;
  EXPECT_NE(std::string::npos, text.find("<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">"));
  EXPECT_NE(std::string::npos, text.find("<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">"));
}

}  // namespace
