#pragma once
#include <windows.h>

#include <string>
#include <vector>

// A pane's bytes behind a gap at their front, as in an editor's gap buffer:
// the chunked read deletes from the front of the text and undoes each
// deletion afterwards, and on a document of hundreds of megabytes each of
// those must cost the bytes it moves, not the whole text. Any other change
// closes the gap first.
class PaneBytes {
 public:
  PaneBytes& operator=(std::string bytes) {
    store_ = std::move(bytes);
    front_ = 0;
    return *this;
  }
  size_t size() const { return store_.size() - front_; }
  const char* data() const { return store_.data() + front_; }
  char operator[](size_t i) const { return store_[front_ + i]; }
  std::string substr(size_t pos, size_t n) const { return store_.substr(front_ + pos, n); }
  size_t find(char c, size_t from) const {
    size_t at = store_.find(c, front_ + from);
    return at == std::string::npos ? at : at - front_;
  }
  void replace(size_t pos, size_t n, const char* text, size_t length);

 private:
  std::string store_;
  size_t front_ = 0;
};

// The document of one edit pane: code page 932 bytes, a selection and a
// stack of edits that EM_UNDO takes back one at a time.
struct PaneDocument {
  struct Edit {
    size_t position;
    std::string removed;
    size_t inserted;
  };
  PaneBytes bytes;
  size_t selStart = 0;  // selStart <= selEnd <= bytes.size()
  size_t selEnd = 0;
  std::vector<Edit> undo;
  unsigned long insertLimit = 0;  // bytes taken per EM_REPLACESEL; 0 no limit
  bool ignoreReplaceSel = false;  // EM_REPLACESEL changes nothing
  bool lfAsCrLf = false;          // EM_REPLACESEL inserts an LF without its CR as CR LF
  bool insertTotalLimited = false;  // insertions stop after insertTotalLeft bytes more
  unsigned long insertTotalLeft = 0;
  bool getTextLimited = false;    // WM_GETTEXT runs dry after getTextLeft bytes
  unsigned long getTextLeft = 0;
  unsigned long getTextChunk = 0;  // bytes copied per WM_GETTEXT at most; 0 no limit
  bool lengthProbePending = false;  // see AnswerGetTextLength
  bool closeAfterRead = false;      // destroy the top-level window once the whole text went out
  bool closeAfterWrite = false;     // ... once an insertion was taken
  bool undoLimited = false;       // only the undoLimit latest edits are kept
  unsigned long undoLimit = 0;
  std::string typeAfterClear;     // typed at the end after the first WM_CLEAR
  bool reportFixed = false;       // EM_GETSEL reports reportStart..reportEnd
  unsigned long reportStart = 0;
  unsigned long reportEnd = 0;
};

// EM_SETSEL: (0, -1) selects all, a negative start keeps only the caret,
// a negative end means the end; positions are clamped to the text.
void SetPaneSelection(PaneDocument& doc, long start, long end);
// Puts length bytes of text in place of the selection; the caret follows them.
void ReplacePaneSelection(PaneDocument& doc, const char* text, size_t length, bool undoable);
// The part of an insertion of length bytes that a pane limited in all still
// takes; that much of its allowance is spent.
size_t TakeInsertAllowance(PaneDocument& doc, size_t length);
// WM_CLEAR: deletes the selection as one undoable edit, then types what the
// document is to be typed after a first deletion; false when empty.
bool ClearPaneSelection(PaneDocument& doc);
// EM_UNDO: takes back the latest edit and selects what it restored.
bool UndoPaneEdit(PaneDocument& doc);
// Replaces the whole text; forgets the undo history.
void SetPaneText(PaneDocument& doc, std::string bytes);
// Caret to the start of the line counted from 1 (the last line if beyond).
void MovePaneToLine(PaneDocument& doc, unsigned long line);

inline constexpr char kPaneClass[] = "TEditor";
bool RegisterPaneClass(HINSTANCE instance);
// The pane's window reads and changes *doc; counted says whether its
// messages go into the counts that tests query.
HWND CreatePane(HWND parent, PaneDocument* doc, bool counted);

// Counts of what the main window and the first pane received.
void CountMessage(UINT message, WPARAM wParam);
LRESULT CountOf(UINT message);
LRESULT LastWParamOf(UINT message);
void ResetCounts();

bool ReadFileBytes(const char* path, std::string* bytes);
bool WriteFileBytes(const char* path, const char* bytes, size_t size);
