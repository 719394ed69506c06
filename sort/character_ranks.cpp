#include "sort/character_ranks.h"

#include <algorithm>
#include <cstring>

#include "platform/collate.h"
#include "platform/heap.h"
#include "sort/character_width.h"

const CharacterRanks* LocaleCharacterRanks = nullptr;

namespace {

// Keys of single characters are far shorter; a longer one gets no rank.
constexpr size_t kKeySlot = 32;

// A collation that disagrees with its own keys more often than this is not
// one the ranks could stand for: then none is used.
constexpr int kMostDisagreements = 64;

constexpr size_t kCharacters = sizeof(CharacterRanks::rank) / sizeof(CharacterRanks::rank[0]);

struct Character {
  char bytes[2];
  int width;
};

// The character at index, when one has it: a two-byte place needs a trail byte.
bool CharacterAt(size_t index, Character& c) {
  if (index < 256) {
    c = {{static_cast<char>(index), 0}, 1};
    return index != 0;
  }
  size_t leads = (index - 256) / 256, trail = index % 256;
  unsigned lead = leads < 31 ? 0x81 + unsigned(leads) : 0xE0 + unsigned(leads - 31);
  c = {{static_cast<char>(lead), static_cast<char>(trail)}, 2};
  return IsTrailByte(static_cast<unsigned char>(trail));
}

// Every character's key, each in a slot of its own.
struct KeyTable {
  unsigned char* slots;      // kCharacters slots of kKeySlot bytes
  unsigned char* lengths;    // of the keys of the characters in order
  uint16_t* order;           // the characters that have keys, sorted by them
  size_t ordered;
};

bool KeyLess(const KeyTable& keys, uint16_t x, uint16_t y) {
  size_t nx = keys.lengths[x], ny = keys.lengths[y];
  int sign = std::memcmp(keys.slots + x * kKeySlot, keys.slots + y * kKeySlot, std::min(nx, ny));
  return sign != 0 ? sign < 0 : nx < ny;
}

void MakeKeys(KeyTable& keys) {
  keys.ordered = 0;
  for (size_t i = 0; i < kCharacters; ++i) {
    Character c;
    size_t n = 0;
    if (!CharacterAt(i, c) || !MakeLocaleKey(c.bytes, c.width, keys.slots + i * kKeySlot, kKeySlot, n) ||
        n > kKeySlot)
      continue;
    keys.lengths[i] = static_cast<unsigned char>(n);
    keys.order[keys.ordered++] = static_cast<uint16_t>(i);
  }
  std::sort(keys.order, keys.order + keys.ordered, [&](uint16_t x, uint16_t y) { return KeyLess(keys, x, y); });
}

// Walks the characters in key order: each one whose comparisons with the
// last ranked one, asked both ways as the walk asks, say what the keys say
// (equal keys: equal, else less and greater) takes its rank; the others
// keep none. False when too many disagree.
bool RankByKeys(const KeyTable& keys, CharacterRanks& ranks) {
  std::fill(ranks.rank, ranks.rank + kCharacters, kNoRank);
  int disagreements = 0;
  uint16_t rank = 0;
  size_t last = kCharacters;
  for (size_t k = 0; k < keys.ordered; ++k) {
    uint16_t i = keys.order[k];
    if (last == kCharacters) {
      ranks.rank[last = i] = rank;
      continue;
    }
    Character a, b;
    CharacterAt(last, a);
    CharacterAt(i, b);
    bool sameKey = !KeyLess(keys, static_cast<uint16_t>(last), i);
    int r = CompareLocale(a.bytes, a.width, b.bytes, b.width);
    int back = CompareLocale(b.bytes, b.width, a.bytes, a.width);
    if (r != (sameKey ? kCompareEqual : kCompareLess) || back != (sameKey ? kCompareEqual : kCompareGreater)) {
      if (++disagreements > kMostDisagreements) return false;
      continue;
    }
    ranks.rank[last = i] = sameKey ? rank : ++rank;
  }
  return true;
}

}  // namespace

bool RankCharacters(CharacterRanks& ranks) {
  HeapHandle heap = ProcessHeapHandle();
  KeyTable keys = {};
  keys.slots = static_cast<unsigned char*>(AllocateBlock(heap, 0, kCharacters * kKeySlot));
  keys.lengths = static_cast<unsigned char*>(AllocateBlock(heap, 0, kCharacters));
  keys.order = static_cast<uint16_t*>(AllocateBlock(heap, 0, kCharacters * sizeof(uint16_t)));
  bool ranked = keys.slots && keys.lengths && keys.order;
  if (ranked) {
    MakeKeys(keys);
    ranked = RankByKeys(keys, ranks);
  }
  if (keys.slots) FreeBlock(heap, 0, keys.slots);
  if (keys.lengths) FreeBlock(heap, 0, keys.lengths);
  if (keys.order) FreeBlock(heap, 0, keys.order);
  return ranked;
}

// Tried once per process: a failure to rank is not retried at every sort.
const CharacterRanks* RankCharactersOnce() {
  static CharacterRanks ranks;
  static int state = 0;  // 0 not tried, 1 ranked, 2 failed
  if (state == 0) state = RankCharacters(ranks) ? 1 : 2;
  return state == 1 ? &ranks : nullptr;
}
