#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "editor/version_reader.h"
#include "platform/heap.h"

namespace {

std::string BesideTestExe(const char* name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s(path);
  return s.substr(0, s.find_last_of("\\/") + 1) + name;
}

const char* OrNull(const char* s) { return s ? s : "(null)"; }

TEST(VersionInfoReader, WalksTheTranslationTableForEachName) {
  std::string fixture = BesideTestExe("version_fixture.exe");
  VersionInfoReader reader;
  CreateReader(reader, fixture.c_str());
  struct Case { const char* name; const char* expected; };
  const Case cases[] = {
      {"FileVersion", "9.8.7.6"},        // only the second entry has it
      {"ProductName", "first entry"},    // the first entry that has it wins
      {"Comments", nullptr},
      {nullptr, nullptr},
  };
  for (const Case& c : cases) {
    const char* value = GetStringByName(reader, c.name);
    EXPECT_STREQ(c.expected, value) << OrNull(c.name);
  }
  EXPECT_STREQ("9.8.7.6", GetStringByIndex(reader, kFileVersionIndex));
  ReleaseReader(reader);
  EXPECT_EQ(nullptr, reader.heap);
  EXPECT_EQ(nullptr, GetStringByIndex(reader, kFileVersionIndex));  // released: null, no crash
}

TEST(VersionInfoReader, ReadsTheFileOnceAndKeepsEarlierStrings) {
  std::string fixture = BesideTestExe("version_fixture.exe");
  VersionInfoReader reader;
  CreateReader(reader, fixture.c_str());
  const char* version = GetStringByIndex(reader, kFileVersionIndex);
  void* block = reader.block;
  ASSERT_NE(nullptr, block);
  GetStringByIndex(reader, 9);
  EXPECT_EQ(block, reader.block);  // the cached block served the second query
  SetFilePath(reader, nullptr);    // rebinds to this test executable
  EXPECT_EQ(nullptr, reader.block);
  EXPECT_STREQ("9.8.7.6", version);  // still valid until the release
  char own[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, own, sizeof own);
  EXPECT_STREQ(own, reader.path);
  EXPECT_EQ(nullptr, GetStringByIndex(reader, kFileVersionIndex));  // no version resource
  ReleaseReader(reader);
}

TEST(VersionInfoReader, YieldsNullForWhatIsNotThere) {
  struct Case { const char* file; int index; };
  const Case cases[] = {
      {"version_fixture.exe", 12},  {"version_fixture.exe", -1},
      {"no_such_file.exe", kFileVersionIndex},
  };
  for (const Case& c : cases) {
    std::string path = BesideTestExe(c.file);
    VersionInfoReader reader;
    CreateReader(reader, path.c_str());
    EXPECT_EQ(nullptr, GetStringByIndex(reader, c.index)) << c.file << " " << c.index;
    if (c.index < 0 || c.index > 11) {
      EXPECT_EQ(nullptr, reader.block);  // the file was not touched
    }
    ReleaseReader(reader);
  }
}

TEST(VersionInfoReader, SurvivesOutOfMemoryAtEveryAllocation) {
  std::string fixture = BesideTestExe("version_fixture.exe");
  for (long k = 1; k <= 8; ++k) {
    VersionInfoReader reader;
    FailAllocation(k);
    CreateReader(reader, fixture.c_str());
    const char* version = GetStringByIndex(reader, kFileVersionIndex);
    FailAllocation(0);
    if (version) {
      EXPECT_STREQ("9.8.7.6", version) << k;
    }
    // A failed query leaves the reader usable.
    if (reader.path) {
      EXPECT_STREQ("9.8.7.6", GetStringByIndex(reader, kFileVersionIndex)) << k;
    }
    ReleaseReader(reader);
  }
}

}  // namespace
