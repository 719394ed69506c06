#pragma once
#include <cstdint>

// The options of one run. The seven flags stand one after another in the
// order that the dialog's boxes and the settings keys follow.
struct SortOptions {
  uint8_t ShowOptionsDialog;
  uint8_t SortAscending;
  uint8_t RemoveDuplicateLine;
  uint8_t ExtractDuplicateLine;
  uint8_t CompareAsBinaryText;
  uint8_t SortByColumn;
  uint8_t TreatNumberAsNumerical;
  uint8_t TreatZenNumAsNumerical;
  uint32_t ColumnFrom;   // first byte of the column window, 1-based (0-based while sorting)
  uint32_t ColumnWidth;  // width of the window in bytes
};

enum : uint32_t {
  kColumnFromDefault = 1,
  kColumnWidthDefault = 2147483647,
  kOptionFlagCount = 7,
};

extern SortOptions g_sortOptions;

// The k-th of the seven flags (k = 0: SortAscending ... 6: TreatZenNumAsNumerical).
uint8_t& OptionFlag(SortOptions& options, int k);
