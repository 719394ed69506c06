#include "cmdline/arg_list.h"

#include <cstring>

#include "platform/heap.h"

// The tool's own splitting rules. Editors pass run-together switches such as
// "/A/R/F:3" and Shift_JIS paths whose trail bytes may equal a backslash, so
// the platform's usual rules do not serve.
//
// Byte classes, tested in this order at each position:
//   1. two-byte character  lead 81-9F/E0-FC + trail 40-FC except 7F: copied
//                          as a pair, never looked into (a trail 5C is no
//                          backslash); a lead before anything else is an
//                          ordinary byte
//   2. space, tab          outside quotes: end the argument; inside quotes:
//                          stored; dropped when only blanks follow to the end
//   3. "                   toggles quoting; not stored; may open and close
//                          anywhere in an argument; unclosed runs to the end
//   4. /                   first byte of an empty argument: stored; else ends
//                          the argument and starts the next with the slash,
//                          inside quotes too (the quote state carries over)
//   5. \                   inside quotes before \ or ": stores that byte;
//                          otherwise stored itself
//   6. any other byte      stored
// States: between arguments (blanks skipped), outside quotes, inside quotes.
// A last argument that holds no byte is dropped, so an empty line gives no
// argument at all, while "" followed by more text gives an empty argument.

namespace {

enum SplitState { kBetweenArguments, kOutsideQuotes, kInsideQuotes };

// The table grows in steps of 32 entries and always keeps its last entry
// free for the closing null.
constexpr int32_t kTableStep = 32;
static_assert(sizeof(void*) != 4 || kTableStep * sizeof(char*) == 128, "first table: 128 bytes on 32 bits");
static_assert(sizeof(void*) != 4 || sizeof(ArgList) == 16, "count, table, buffer, heap: 16 bytes on 32 bits");

struct Splitter {
  ArgList& list;
  int32_t capacity;  // entries of the table
  char* write;       // next free byte of the buffer
};

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

bool IsTwoByteCharacter(const unsigned char* p) { return IsLeadByte(p[0]) && IsTrailByte(p[1]); }

bool IsBlank(unsigned char b) { return b == ' ' || b == '\t'; }

// An argument holds no byte until one is stored; quotes alone store none, so
// "" makes an empty argument, kept unless it is the last.
bool CurrentArgumentIsEmpty(const Splitter& s) { return s.write == s.list.table[s.list.count - 1]; }

void StoreByte(Splitter& s, unsigned char b) { *s.write++ = static_cast<char>(b); }

bool GrowTable(Splitter& s) {
  int32_t capacity = s.capacity + kTableStep;
  void* table = ReallocateBlock(s.list.heap, kHeapNoSerialize, s.list.table, capacity * sizeof(char*));
  if (!table) return false;
  s.list.table = static_cast<char**>(table);
  s.capacity = capacity;
  return true;
}

// Ends the current argument and opens the next right after its zero byte.
// False when the table could not grow; the ended argument then stays last.
bool SplitArgument(Splitter& s) {
  *s.write++ = '\0';
  if (s.list.count == s.capacity - 1 && !GrowTable(s)) return false;
  s.list.table[s.list.count++] = s.write;
  return true;
}

// Handles the byte at p (not a two-byte character) and returns the position
// after it, or null when splitting must stop because the table cannot grow.
const unsigned char* SplitByte(Splitter& s, SplitState& state, const unsigned char* p) {
  switch (*p) {
    case '"':
      state = state == kInsideQuotes ? kOutsideQuotes : kInsideQuotes;
      return p + 1;
    case '/':
      if (!CurrentArgumentIsEmpty(s) && !SplitArgument(s)) return nullptr;
      StoreByte(s, *p);
      return p + 1;
    case '\\':
      if (state == kInsideQuotes && (p[1] == '\\' || p[1] == '"')) {
        StoreByte(s, p[1]);
        return p + 2;
      }
      StoreByte(s, *p);
      return p + 1;
    default:
      StoreByte(s, *p);
      return p + 1;
  }
}

// A blank at p: true when the line ends after the blanks that start at p.
bool OnlyBlanksFollow(const unsigned char* p) {
  while (IsBlank(*p)) ++p;
  return *p == '\0';
}

// Walks the line into the list. True when the end of the line was reached,
// false when splitting stopped early because the table could not grow.
bool WalkCommandLine(Splitter& s, const unsigned char* p) {
  SplitState state = kBetweenArguments;
  for (;;) {
    if (state == kBetweenArguments) {
      while (IsBlank(*p)) ++p;
      state = kOutsideQuotes;
    }
    if (*p == '\0') return true;
    if (IsTwoByteCharacter(p)) {
      StoreByte(s, p[0]);
      StoreByte(s, p[1]);
      p += 2;
    } else if (IsBlank(*p)) {
      if (OnlyBlanksFollow(p)) return true;
      if (state == kInsideQuotes) {
        StoreByte(s, *p);
      } else {
        if (!SplitArgument(s)) return false;
        state = kBetweenArguments;
      }
      ++p;
    } else {
      p = SplitByte(s, state, p);
      if (!p) return false;
    }
  }
}

// Creates the heap, the buffer and the table; false leaves the list empty.
bool AllocateArgList(ArgList& list, size_t length) {
  list.heap = CreatePrivateHeap(kHeapNoSerialize);
  if (!list.heap) return false;
  list.buffer = static_cast<char*>(AllocateBlock(list.heap, kHeapNoSerialize, 2 * length + 1));
  if (!list.buffer) return false;
  list.table = static_cast<char**>(AllocateBlock(list.heap, kHeapNoSerialize, kTableStep * sizeof(char*)));
  if (!list.table) {
    list.buffer = nullptr;  // freed with the heap on release
    return false;
  }
  return true;
}

}  // namespace

// The buffer cannot overflow: every byte of the line yields at most one byte
// of output and every split one zero byte, so 2 * L + 1 bytes suffice.
void SplitCommandLine(ArgList& list, const char* commandLine) {
  if (!commandLine) commandLine = "";
  list.count = 0;
  list.table = nullptr;
  list.buffer = nullptr;
  list.heap = nullptr;
  if (!AllocateArgList(list, std::strlen(commandLine))) return;

  Splitter s = {list, kTableStep, list.buffer};
  list.table[0] = list.buffer;
  list.count = 1;
  if (WalkCommandLine(s, reinterpret_cast<const unsigned char*>(commandLine))) {
    *s.write = '\0';
    if (CurrentArgumentIsEmpty(s)) --list.count;
  }
  list.table[list.count] = nullptr;
}

// The count is cleared too, so that a stray reader after the release finds
// an empty list rather than a null table.
bool ReleaseArgList(ArgList& list) {
  bool destroyed = list.heap && DestroyPrivateHeap(list.heap);
  list.count = 0;
  list.table = nullptr;
  list.buffer = nullptr;
  list.heap = nullptr;
  return destroyed;
}
