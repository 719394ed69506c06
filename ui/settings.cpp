#include "ui/settings.h"

#include <windows.h>

#include "app/app_record.h"
#include "cmdline/sort_options.h"
#include "platform/format.h"

namespace {

constexpr int kFlagCount = kOptionFlagCount;

char g_settingsPath[kSettingsPathSize];

const char kSection[] = "Option";

// In the order of the flags in SortOptions.
const char* const kFlagKeys[kFlagCount] = {
    "SortAscending",       "RemoveDuplicateLine",    "ExtractDuplicateLine",  "CompareAsBinaryText",
    "SortByColumn",        "TreatNumberAsNumerical", "TreatZenNumAsNumerical"};

const char kColumnFromKey[] = "ColumnFrom";
const char kColumnWidthKey[] = "ColumnWidth";

// The default is the option's current value; the profile functions take it
// as a signed int, and both numbers hold at most 2147483647 here.
uint32_t ReadNumber(const char* key, uint32_t current, const char* path) {
  return GetPrivateProfileIntA(kSection, key, static_cast<INT>(current), path);
}

void WriteNumber(const char* key, uint32_t value, char* scratch, const char* path) {
  FormatText(scratch, "%u", static_cast<unsigned>(value));
  WritePrivateProfileStringA(kSection, key, scratch, path);
}

}  // namespace

bool MakeSettingsPath(char* path, size_t length) {
  // A path that fills the buffer may have been cut; its last three bytes
  // would then name some other file, and below three there is nothing to
  // replace.
  if (length < 3 || length >= static_cast<size_t>(kSettingsPathSize)) return false;
  path[length - 3] = 'i';
  path[length - 2] = 'n';
  path[length - 1] = 'i';
  return true;
}

const char* SettingsPath() {
  DWORD length = GetModuleFileNameA(nullptr, g_settingsPath, kSettingsPathSize);
  if (!MakeSettingsPath(g_settingsPath, length)) return nullptr;
  return g_settingsPath;
}

void LoadSettings() {
  const char* path = SettingsPath();
  if (!path) return;  // as if there were no file: the switches decide
  for (int k = 0; k < kFlagCount; ++k) {
    uint8_t& flag = OptionFlag(g_sortOptions, k);
    flag = GetPrivateProfileIntA(kSection, kFlagKeys[k], flag, path) != 0 ? 1 : 0;
  }
  g_sortOptions.ColumnFrom = ReadNumber(kColumnFromKey, g_sortOptions.ColumnFrom, path);
  g_sortOptions.ColumnWidth = ReadNumber(kColumnWidthKey, g_sortOptions.ColumnWidth, path);
}

void SaveSettings(AppRecord& app) {
  const char* path = SettingsPath();
  if (!path) return;  // a failed write goes unreported, like any other
  for (int k = 0; k < kFlagCount; ++k)
    WritePrivateProfileStringA(kSection, kFlagKeys[k], OptionFlag(g_sortOptions, k) ? "1" : "0", path);
  WriteNumber(kColumnFromKey, g_sortOptions.ColumnFrom, app.scratch, path);
  WriteNumber(kColumnWidthKey, g_sortOptions.ColumnWidth, app.scratch, path);
}
