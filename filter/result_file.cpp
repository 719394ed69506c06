#include "filter/result_file.h"

#include <cerrno>

#include "filter/console.h"

namespace {

// Names tried beside a file before giving up: taken only by files that
// killed runs left behind, so a few suffice.
constexpr int kBesideAttempts = 100;

}  // namespace

bool CreateResultBeside(ResultFile& file, bool ownerOnly) {
  HoldInterrupts();
  for (int attempt = 1; attempt <= kBesideAttempts && !file.stream; ++attempt) {
    std::string name = file.place + ".ordwell-sort-" + std::to_string(attempt);
    errno = 0;
    file.stream = CreateNewFileIn(file.folder, name, ownerOnly);
    if (file.stream) {
      file.beside = name;
      RemoveOnInterrupt(file.slot, file.folder, name.c_str());
    } else if (errno != EEXIST) {
      break;
    }
  }
  ReleaseInterrupts();
  return file.stream != nullptr;
}

bool StartResultText(ResultFile& file) { return !file.truncate || EmptyFile(file.stream); }

bool CloseResultFile(ResultFile& file) {
  bool closed = std::fclose(file.stream) == 0;
  file.stream = nullptr;
  return closed;
}

bool SaveResultText(ResultFile& file, TextForm& form, const char* text, size_t size, ProgressLine& progress) {
  bool saved = StartResultText(file) && WriteTextInForm(file.stream, form, text, size, size > 0, progress);
  ClearProgress(progress);
  return CloseResultFile(file) && saved;
}

// The note to remove the file beside goes with its name, in one step.
bool CommitResultFile(ResultFile& file) {
  if (file.beside.empty()) return true;
  HoldInterrupts();
  bool placed = PutBesideInPlace(file);
  if (placed) {
    RemoveOnInterrupt(file.slot, file.folder, nullptr);
    file.beside.clear();
  }
  ReleaseInterrupts();
  if (!placed) DiscardResultFile(file);
  return placed;
}

std::string KeepResultBeside(ResultFile& file) {
  HoldInterrupts();
  std::string path = PathBeside(file);
  RemoveOnInterrupt(file.slot, file.folder, nullptr);
  file.beside.clear();
  ReleaseInterrupts();
  return path;
}

void DiscardResultFile(ResultFile& file) {
  if (file.stream) std::fclose(file.stream);
  file.stream = nullptr;
  if (file.beside.empty()) return;
  RemoveFileIn(file.folder, file.beside);
  file.beside.clear();
  RemoveOnInterrupt(file.slot, file.folder, nullptr);
}

void EndResultFile(ResultFile& file) {
  DiscardResultFile(file);
  CloseFolder(file.folder);
  file.folder = -1;
}
