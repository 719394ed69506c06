#include "cmdline/switches.h"

#include "app/app_record.h"
#include "cmdline/sort_options.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "res/texts.h"

namespace {

// The letter switches: upper case sets the flag, lower case clears it.
struct LetterSwitch {
  char letter;
  uint8_t SortOptions::*flag;
};

constexpr LetterSwitch kLetterSwitches[] = {
    {'A', &SortOptions::SortAscending},       {'C', &SortOptions::SortByColumn},
    {'D', &SortOptions::ShowOptionsDialog},   {'E', &SortOptions::ExtractDuplicateLine},
    {'N', &SortOptions::TreatNumberAsNumerical}, {'R', &SortOptions::RemoveDuplicateLine},
    {'T', &SortOptions::CompareAsBinaryText}, {'Z', &SortOptions::TreatZenNumAsNumerical},
};

constexpr uint32_t kFieldMaximum = 2147483647;

void ResetSortOptions(SortOptions& options) {
  options = SortOptions{};
  options.ColumnFrom = kColumnFromDefault;
  options.ColumnWidth = kColumnWidthDefault;
}

// False when no switch has this letter.
bool ApplyLetter(SortOptions& options, char c) {
  for (const LetterSwitch& s : kLetterSwitches) {
    if (c == s.letter || c == s.letter - 'A' + 'a') {
      options.*s.flag = c == s.letter ? 1 : 0;
      return true;
    }
  }
  return false;
}

uint32_t* ValueTarget(SortOptions& options, char c) {
  if (c == 'F' || c == 'f') return &options.ColumnFrom;
  if (c == 'W' || c == 'w') return &options.ColumnWidth;
  return nullptr;
}

// Applies argument i, reporting each fault. False when it raised a message.
bool ApplySwitch(AppRecord& app, int i) {
  const char* arg = app.args.table[i];
  if (arg[0] != '/' || arg[1] == '\0') {
    ReportBadArgument(app, i);
    return false;
  }
  if (arg[2] == ':') {
    uint32_t* target = ValueTarget(g_sortOptions, arg[1]);
    if (target && ParseUnsignedField(*target, arg + 3)) return true;
    ReportBadArgument(app, i);
    return false;
  }
  // A letter group: its known letters still count when others are faulty.
  bool sound = true;
  for (const char* p = arg + 1; *p; ++p) {
    if (!ApplyLetter(g_sortOptions, *p)) {
      ReportBadArgument(app, i);
      sound = false;
    }
  }
  return sound;
}

bool IsConversionSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// strtoul with base 10 as it behaves where unsigned long has 32 bits: too
// large a value saturates, and a minus sign then negates modulo 2^32.
// Returns the position after the digits, or text when no digit was read.
const char* ConvertUnsigned32(const char* text, uint32_t& value) {
  const char* p = text;
  while (IsConversionSpace(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  if (*p < '0' || *p > '9') return text;
  uint32_t v = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    uint32_t digit = static_cast<uint32_t>(*p - '0');
    v = v > (UINT32_MAX - digit) / 10 ? UINT32_MAX : v * 10 + digit;
  }
  value = negative ? 0u - v : v;
  return p;
}

}  // namespace

// Every fault leads to the dialog, so the user can mend the options or cancel.
bool ParseSwitches(AppRecord& app) {
  ResetSortOptions(g_sortOptions);
  const ArgList& args = app.args;
  if (args.count <= 1) {
    g_sortOptions.ShowOptionsDialog = 1;
    return true;
  }
  bool seen = false;
  bool faulty = false;
  for (int i = 1; i < args.count; ++i) {
    if (args.table[i][0] == '\0') continue;  // an empty "" argument means nothing
    seen = true;
    if (!ApplySwitch(app, i)) faulty = true;
  }
  if (!seen || faulty) g_sortOptions.ShowOptionsDialog = 1;
  return true;
}

// FormatText stops at 1024 bytes, so a long argument is cut, never overflows.
void ReportBadArgument(AppRecord& app, int index) {
  if (index < 0 || index >= app.args.count || !app.args.table) return;
  FormatText(app.scratch, kTextBadArgument, index, app.args.table[index]);
  ShowMessageBox(app.link.mainWindow, app.scratch, kBoxOk | kBoxIconError);
}

bool ParseUnsignedField(uint32_t& target, const char* text) {
  if (!text) return false;
  uint32_t value = 0;
  const char* end = ConvertUnsigned32(text, value);
  if (end == text || *end != '\0') return false;
  if (value < 1 || value > kFieldMaximum) return false;
  target = value;
  return true;
}
