#include "tools/standin/standin.h"

#include <algorithm>
#include <cstring>
#include <utility>

void PaneBytes::replace(size_t pos, size_t n, const char* text, size_t length) {
  if (pos == 0 && length == 0) {
    front_ += n;
    return;
  }
  if (pos == 0 && n == 0 && length <= front_) {
    front_ -= length;
    memcpy(&store_[front_], text, length);
    return;
  }
  store_.erase(0, front_);
  front_ = 0;
  store_.replace(pos, n, text, length);
}

void SetPaneSelection(PaneDocument& doc, long start, long end) {
  size_t size = doc.bytes.size();
  if (start < 0) {
    doc.selStart = doc.selEnd;
    return;
  }
  size_t s = static_cast<size_t>(start) < size ? static_cast<size_t>(start) : size;
  size_t e = end < 0 || static_cast<size_t>(end) > size ? size : static_cast<size_t>(end);
  if (s > e) std::swap(s, e);
  doc.selStart = s;
  doc.selEnd = e;
}

void ReplacePaneSelection(PaneDocument& doc, const char* text, size_t length, bool undoable) {
  size_t at = doc.selStart;
  // Only an undoable edit keeps what it removed: replacing a whole document
  // of hundreds of megabytes need not hold a copy of it besides.
  std::string removed = undoable ? doc.bytes.substr(at, doc.selEnd - at) : std::string();
  doc.bytes.replace(at, doc.selEnd - at, text, length);
  if (undoable) {
    doc.undo.push_back({at, std::move(removed), length});
    if (doc.undoLimited && doc.undo.size() > doc.undoLimit) doc.undo.erase(doc.undo.begin());
  } else {
    doc.undo.clear();  // older edits no longer stand where they were recorded
  }
  doc.selStart = doc.selEnd = at + length;
}

size_t TakeInsertAllowance(PaneDocument& doc, size_t length) {
  if (!doc.insertTotalLimited) return length;
  size_t taken = std::min<size_t>(length, doc.insertTotalLeft);
  doc.insertTotalLeft -= static_cast<unsigned long>(taken);
  return taken;
}

bool ClearPaneSelection(PaneDocument& doc) {
  if (doc.selStart == doc.selEnd) return false;
  ReplacePaneSelection(doc, "", 0, true);
  if (!doc.typeAfterClear.empty()) {
    doc.selStart = doc.selEnd = doc.bytes.size();
    ReplacePaneSelection(doc, doc.typeAfterClear.data(), doc.typeAfterClear.size(), true);
    doc.typeAfterClear.clear();
  }
  return true;
}

bool UndoPaneEdit(PaneDocument& doc) {
  if (doc.undo.empty()) return false;
  PaneDocument::Edit edit = doc.undo.back();
  doc.undo.pop_back();
  doc.bytes.replace(edit.position, edit.inserted, edit.removed.data(), edit.removed.size());
  doc.selStart = edit.position;
  doc.selEnd = edit.position + edit.removed.size();
  return true;
}

void SetPaneText(PaneDocument& doc, std::string bytes) {
  doc.bytes = std::move(bytes);
  doc.undo.clear();
  doc.selStart = doc.selEnd = 0;
}

void MovePaneToLine(PaneDocument& doc, unsigned long line) {
  size_t at = 0;
  for (unsigned long n = 1; n < line; ++n) {
    size_t next = doc.bytes.find('\n', at);
    if (next == std::string::npos) break;
    at = next + 1;
  }
  doc.selStart = doc.selEnd = at;
}

bool ReadFileBytes(const char* path, std::string* bytes) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(file, &size) != 0;
  if (ok) bytes->resize(static_cast<size_t>(size.QuadPart));
  DWORD done = 0;
  for (size_t at = 0; ok && at < bytes->size(); at += done) {
    DWORD want = static_cast<DWORD>(std::min<size_t>(bytes->size() - at, 1 << 20));
    ok = ReadFile(file, &(*bytes)[at], want, &done, nullptr) && done > 0;
  }
  CloseHandle(file);
  return ok;
}

bool WriteFileBytes(const char* path, const char* bytes, size_t size) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  DWORD done = 0;
  for (size_t at = 0; ok && at < size; at += done) {
    DWORD want = static_cast<DWORD>(std::min<size_t>(size - at, 1 << 20));
    ok = WriteFile(file, bytes + at, want, &done, nullptr) && done > 0;
  }
  CloseHandle(file);
  return ok;
}
