#include "filter/duplicates_file.h"

#include "filter/console.h"

bool SaveDuplicatesFile(DuplicatesFile& file, const char* text, size_t size, ProgressLine& progress) {
  bool saved = (!file.truncate || EmptyFile(file.stream)) && WriteWholeText(file.stream, text, size, progress);
  ClearProgress(progress);
  saved = std::fclose(file.stream) == 0 && saved;
  file.stream = nullptr;
  if (file.beside.empty()) return saved;
  if (saved && ReplaceFileWith(file.beside.c_str(), file.path.c_str())) {
    RemoveOnInterrupt(nullptr);
    file.beside.clear();
    return true;
  }
  DiscardDuplicatesFile(file);
  return false;
}

void DiscardDuplicatesFile(DuplicatesFile& file) {
  if (file.stream) std::fclose(file.stream);
  file.stream = nullptr;
  if (file.beside.empty()) return;
  std::remove(file.beside.c_str());
  file.beside.clear();
  RemoveOnInterrupt(nullptr);
}

bool CreateDuplicatesBeside(DuplicatesFile& file) {
  HoldInterrupts();
  file.stream = CreateFileBeside(file.path.c_str(), file.beside);
  if (file.stream) {
    RemoveOnInterrupt(file.beside.c_str());
  } else {
    file.beside.clear();
  }
  ReleaseInterrupts();
  return file.stream != nullptr;
}
