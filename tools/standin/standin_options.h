#pragma once
#include <string>

// What a test asks of one stand-in editor on its command line. Without a
// command line it is a plain empty editor, as a newly started instance is.
//
//   --file=PATH            load the document from PATH, bytes as they are
//   --select=S,E           then select bytes S..E (as EM_SETSEL(S, E))
//   --report-selection=S,E EM_GETSEL reports S..E, whatever is selected
//   --refuse-export=SCOPES answer EDM_EXPORTTEXT with 0 for these scopes: 0, 1 or 01
//   --refuse-import=SCOPES answer EDM_IMPORTTEXT with 0 for these scopes
//   --kind-reply=N         answer EDM_GETSELECTIONKIND with N, whatever is selected
//   --insert-limit=N       the pane takes at most N bytes per EM_REPLACESEL
//   --insert-total=N       the pane takes N bytes in all, through EM_REPLACESEL
//                          and EDM_IMPORTTEXT together, then no more
//   --gettext-limit=N      WM_GETTEXT delivers N bytes in all, then 0 bytes
//   --ignore-replacesel    EM_REPLACESEL changes nothing, as when the message
//                          never reaches the pane
//   --lf-as-crlf           EM_REPLACESEL inserts an LF without a CR before it
//                          as CR LF, as an editor that takes every LF of an
//                          insertion for a line break
//   --gettext-chunk=N      each WM_GETTEXT copies at most N bytes, however
//                          large its buffer
//   --no-exe-name          no TMorvaneExeName child
//   --exe-name=TEXT        the TMorvaneExeName child holds TEXT, not the exe path
//   --second-pane=TEXT     a second TEditor pane after the first, holding TEXT
//   --pane-delay=MS        the first pane appears MS milliseconds after the window
//   --title=TEXT           the main window's title (default "Morvane")
//   --main-class=NAME      the main window's class (default TMorvaneMainForm)
//   --save-on-close=PATH   write the first pane's bytes to PATH when the window closes
//   --stack=BYTES          run the windows on a thread with a stack of BYTES,
//                          as an editor with that stack; Wine puts the data
//                          of a message from another process on it
//   --close-after-read     close the main window right after handing out the
//                          whole document: an EDM_EXPORTTEXT it served, or a
//                          WM_GETTEXT that delivered the first pane's last byte
//   --close-after-write    close the main window right after the first insertion
//                          it took: an EDM_IMPORTTEXT it served, or an EM_REPLACESEL
//   --undo-limit=N         the pane keeps its N latest edits for EM_UNDO (0: none)
//   --type-after-clear=TEXT after the first WM_CLEAR, TEXT is typed at the end of
//                          the text (an undoable edit), as by a user meanwhile
//
// A newly started instance gets no command line, so two things come from
// the environment, which it inherits from whoever started it:
//
//   MORVANE_STANDIN_START_DELAY_MS=MS  wait MS milliseconds, idle for input,
//                                      before creating the main window
//   MORVANE_STANDIN_INSERT_TOTAL=N     as --insert-total=N, unless that is given
struct StandinOptions {
  std::string file;
  bool selectGiven = false;
  long selectStart = 0;
  long selectEnd = 0;
  bool reportGiven = false;
  unsigned long reportStart = 0;
  unsigned long reportEnd = 0;
  bool refuseExport[2] = {false, false};
  bool refuseImport[2] = {false, false};
  bool kindReplyGiven = false;
  long kindReply = 0;
  unsigned long insertLimit = 0;  // 0: no limit
  bool ignoreReplaceSel = false;
  bool lfAsCrLf = false;
  bool insertTotalLimited = false;
  unsigned long insertTotal = 0;
  bool getTextLimited = false;
  unsigned long getTextLimit = 0;
  unsigned long getTextChunk = 0;  // 0: no limit
  bool exeNameChild = true;
  bool exeNameGiven = false;
  std::string exeName;
  bool secondPane = false;
  std::string secondPaneText;
  unsigned long paneDelay = 0;
  std::string title = "Morvane";
  std::string mainClass = "TMorvaneMainForm";
  std::string saveOnClose;
  bool closeAfterRead = false;
  bool closeAfterWrite = false;
  unsigned long stack = 0;  // 0: the executable's own (256 MB)
  bool undoLimited = false;
  unsigned long undoLimit = 0;
  std::string typeAfterClear;
};

// Reads the arguments after the program name; false on an unknown option.
bool ParseStandinOptions(int argc, char** argv, StandinOptions* options);

inline constexpr char kStartDelayVariable[] = "MORVANE_STANDIN_START_DELAY_MS";
// The start delay from the environment; 0 when it is not set.
unsigned long StartDelayFromEnvironment();

inline constexpr char kInsertTotalVariable[] = "MORVANE_STANDIN_INSERT_TOTAL";
// The insertion total from the environment, when no option gave one.
void TakeInsertTotalFromEnvironment(StandinOptions* options);
