#include "cmdline/sort_options.h"

SortOptions g_sortOptions = {0, 0, 0, 0, 0, 0, 0, 0, kColumnFromDefault, kColumnWidthDefault};

uint8_t& OptionFlag(SortOptions& options, int k) {
  static uint8_t SortOptions::*const kFlags[kOptionFlagCount] = {
      &SortOptions::SortAscending,       &SortOptions::RemoveDuplicateLine,
      &SortOptions::ExtractDuplicateLine, &SortOptions::CompareAsBinaryText,
      &SortOptions::SortByColumn,        &SortOptions::TreatNumberAsNumerical,
      &SortOptions::TreatZenNumAsNumerical};
  return options.*kFlags[k];
}
