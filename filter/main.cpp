#include "filter/sort_filter.h"

int main(int argc, char** argv) { return RunSortFilter(argc, argv); }
