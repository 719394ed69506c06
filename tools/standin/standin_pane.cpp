#include <algorithm>
#include <cstring>

#include "tools/standin/standin.h"

namespace {

struct PaneWindow {
  PaneDocument* doc;
  bool counted;
};

PaneWindow* PaneOf(HWND window) {
  return reinterpret_cast<PaneWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// EM_GETSEL fills the DWORDs that wParam and lParam point at and packs both
// positions into its reply while they fit 16 bits.
LRESULT AnswerGetSel(const PaneDocument& doc, WPARAM wParam, LPARAM lParam) {
  DWORD start = static_cast<DWORD>(doc.reportFixed ? doc.reportStart : doc.selStart);
  DWORD end = static_cast<DWORD>(doc.reportFixed ? doc.reportEnd : doc.selEnd);
  if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
  if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
  if (start > 0xFFFF || end > 0xFFFF) return -1;
  return MAKELONG(start, end);
}

// The bytes one WM_GETTEXT copies into a buffer of size bytes: the text's
// start, cut to what the pane copies at once.
size_t CopySize(const PaneDocument& doc, WPARAM size) {
  size_t count = std::min<size_t>(size - 1, doc.bytes.size());
  return doc.getTextChunk ? std::min<size_t>(count, doc.getTextChunk) : count;
}

// Copies from the start of the text; a limited pane delivers nothing once
// its allowance is spent, as a pane that stops answering would.
LRESULT AnswerGetText(PaneDocument& doc, WPARAM size, LPARAM buffer) {
  if (size == 0 || buffer == 0) return 0;
  size_t count = CopySize(doc, size);
  if (doc.getTextLimited) {
    count = std::min<size_t>(count, doc.getTextLeft);
    doc.getTextLeft -= static_cast<unsigned long>(count);
  }
  char* out = reinterpret_cast<char*>(buffer);
  memcpy(out, doc.bytes.data(), count);
  out[count] = '\0';
  return static_cast<LRESULT>(count);
}

// An editor that goes away between the tool's read and its write-back. The
// window is destroyed before the reply, so that no message the tool sends
// afterwards can still reach it; the copied text is already in the buffer.
LRESULT AnswerGetTextThenMaybeClose(HWND window, PaneDocument& doc, WPARAM size, LPARAM buffer) {
  LRESULT copied = AnswerGetText(doc, size, buffer);
  if (doc.closeAfterRead && copied > 0 && static_cast<size_t>(copied) == doc.bytes.size()) {
    DestroyWindow(GetAncestor(window, GA_ROOT));
  }
  return copied;
}

// Wine answers a WM_GETTEXTLENGTH sent from another process by reading the
// whole text once more with a WM_GETTEXT of its own, to count its bytes. That
// read is the system's, not the sender's: it is neither counted nor limited
// in all, so that tests see exactly the messages the tool sent; but a pane
// that copies only part of its text per WM_GETTEXT does so for Wine too, and
// its length comes out short, as with such a real pane.
bool RunsUnderWine() {
  static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

LRESULT AnswerGetTextLength(PaneDocument& doc) {
  doc.lengthProbePending = RunsUnderWine() && InSendMessage();
  return static_cast<LRESULT>(doc.bytes.size());
}

bool IsLengthProbe(PaneDocument& doc, UINT message) {
  bool probe = doc.lengthProbePending && message == WM_GETTEXT;
  doc.lengthProbePending = false;
  return probe;
}

LRESULT AnswerLengthProbe(const PaneDocument& doc, WPARAM size, LPARAM buffer) {
  if (size == 0 || buffer == 0) return 0;
  size_t count = CopySize(doc, size);
  memcpy(reinterpret_cast<char*>(buffer), doc.bytes.data(), count);
  reinterpret_cast<char*>(buffer)[count] = '\0';
  return static_cast<LRESULT>(count);
}

// Each LF of an insertion without a CR before it in the same insertion as
// CR LF: a CR LF pair cut between two insertions becomes CR CR LF.
std::string LfAsCrLf(const char* text, size_t length) {
  std::string made;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) made += '\r';
    made += text[i];
  }
  return made;
}

LRESULT AnswerReplaceSel(PaneDocument& doc, WPARAM undoable, LPARAM text) {
  if (text == 0 || doc.ignoreReplaceSel) return 0;
  const char* bytes = reinterpret_cast<const char*>(text);
  size_t length = strlen(bytes);
  if (doc.insertLimit) length = std::min<size_t>(length, doc.insertLimit);
  length = TakeInsertAllowance(doc, length);
  std::string made;
  if (doc.lfAsCrLf) {
    made = LfAsCrLf(bytes, length);
    bytes = made.c_str();
    length = made.size();
  }
  ReplacePaneSelection(doc, bytes, length, undoable != 0);
  return 0;
}

// A font with the Japanese character set, so that code page 932 text draws.
HFONT PaneFont() {
  static HFONT font = CreateFontA(-14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "ＭＳ ゴシック");
  return font;
}

// Draws bytes from..to of one line, the selected part highlighted, so that
// screenshots show what a run will take.
void DrawPaneLine(HDC dc, int y, const PaneDocument& doc, size_t from, size_t to) {
  size_t cuts[4] = {from, std::min(std::max(doc.selStart, from), to), std::min(std::max(doc.selEnd, from), to), to};
  int x = 4;
  for (int part = 0; part < 3; ++part) {
    int length = static_cast<int>(cuts[part + 1] - cuts[part]);
    if (length == 0) continue;
    bool selected = part == 1;
    SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    TextOutA(dc, x, y, doc.bytes.data() + cuts[part], length);
    SIZE extent;
    GetTextExtentPoint32A(dc, doc.bytes.data() + cuts[part], length, &extent);
    x += extent.cx;
  }
}

// Draws the lines that fit, one TextOutA per line, for screenshots.
void PaintPane(HWND window, const PaneDocument& doc) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HGDIOBJ oldFont = SelectObject(dc, PaneFont());
  TEXTMETRICA metrics;
  GetTextMetricsA(dc, &metrics);
  int lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
  size_t at = 0;
  for (int y = 2; y < client.bottom && at <= doc.bytes.size(); y += lineHeight) {
    size_t end = doc.bytes.find('\n', at);
    if (end == std::string::npos) end = doc.bytes.size();
    size_t length = end - at;
    if (length > 0 && doc.bytes[at + length - 1] == '\r') --length;
    DrawPaneLine(dc, y, doc, at, at + std::min<size_t>(length, 512));
    at = end + 1;
  }
  SelectObject(dc, oldFont);
  EndPaint(window, &paint);
}

LRESULT AnswerEditMessage(HWND window, PaneDocument& doc, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case EM_GETSEL:
      return AnswerGetSel(doc, wParam, lParam);
    case EM_SETSEL:
      SetPaneSelection(doc, static_cast<int>(wParam), static_cast<int>(lParam));
      return 0;
    case EM_REPLACESEL:
      AnswerReplaceSel(doc, wParam, lParam);
      if (!doc.closeAfterWrite) break;
      DestroyWindow(GetAncestor(window, GA_ROOT));  // an editor that goes in the middle of a write-back
      return 0;
    case EM_UNDO:
      if (!UndoPaneEdit(doc)) return FALSE;
      InvalidateRect(window, nullptr, FALSE);
      return TRUE;
    case WM_CLEAR:
      ClearPaneSelection(doc);
      break;
    case WM_GETTEXT:
      return AnswerGetTextThenMaybeClose(window, doc, wParam, lParam);
    case WM_GETTEXTLENGTH:
      return AnswerGetTextLength(doc);
    case WM_SETTEXT:
      SetPaneText(doc, lParam ? reinterpret_cast<const char*>(lParam) : "");
      InvalidateRect(window, nullptr, FALSE);
      return TRUE;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
  InvalidateRect(window, nullptr, FALSE);
  return 0;
}

LRESULT CALLBACK PaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  PaneWindow* pane = PaneOf(window);
  if (!pane) return DefWindowProcA(window, message, wParam, lParam);
  if (IsLengthProbe(*pane->doc, message)) return AnswerLengthProbe(*pane->doc, wParam, lParam);
  if (pane->counted) CountMessage(message, wParam);
  if (message == WM_PAINT) {
    PaintPane(window, *pane->doc);
    return 0;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    delete pane;
    return DefWindowProcA(window, message, wParam, lParam);
  }
  return AnswerEditMessage(window, *pane->doc, message, wParam, lParam);
}

}  // namespace

bool RegisterPaneClass(HINSTANCE instance) {
  WNDCLASSA pane = {};
  pane.lpfnWndProc = PaneProc;
  pane.hInstance = instance;
  pane.hCursor = LoadCursor(nullptr, IDC_IBEAM);
  pane.lpszClassName = kPaneClass;
  return RegisterClassA(&pane) != 0;
}

HWND CreatePane(HWND parent, PaneDocument* doc, bool counted) {
  auto* pane = new PaneWindow{doc, counted};
  HWND window = CreateWindowExA(WS_EX_CLIENTEDGE, kPaneClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                                parent, nullptr, GetModuleHandleA(nullptr), pane);
  return window;  // on failure WM_NCDESTROY has freed pane
}
