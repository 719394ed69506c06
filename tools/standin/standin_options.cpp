#include "tools/standin/standin_options.h"

#include <cstdlib>
#include <cstring>

namespace {

// "--name=value" or "--name": true when arg names this option; value is
// what follows '=' (empty when there is none).
bool MatchOption(const char* arg, const char* name, const char** value) {
  size_t length = strlen(name);
  if (strncmp(arg, name, length) != 0) return false;
  if (arg[length] == '=') {
    *value = arg + length + 1;
    return true;
  }
  if (arg[length] != '\0') return false;
  *value = "";
  return true;
}

void ReadScopes(const char* value, bool scopes[2]) {
  for (; *value; ++value) {
    if (*value == '0') scopes[0] = true;
    if (*value == '1') scopes[1] = true;
  }
}

bool ReadSelection(const char* value, StandinOptions* options) {
  char* end = nullptr;
  options->selectStart = strtol(value, &end, 10);
  if (*end != ',') return false;
  options->selectEnd = strtol(end + 1, &end, 10);
  options->selectGiven = true;
  return *end == '\0';
}

bool ReadReportedSelection(const char* value, StandinOptions* options) {
  char* end = nullptr;
  options->reportStart = strtoul(value, &end, 10);
  if (*end != ',') return false;
  options->reportEnd = strtoul(end + 1, &end, 10);
  options->reportGiven = true;
  return *end == '\0';
}

bool ApplyOption(const char* arg, StandinOptions* o) {
  const char* v = nullptr;
  if (MatchOption(arg, "--file", &v)) o->file = v;
  else if (MatchOption(arg, "--select", &v)) return ReadSelection(v, o);
  else if (MatchOption(arg, "--report-selection", &v)) return ReadReportedSelection(v, o);
  else if (MatchOption(arg, "--refuse-export", &v)) ReadScopes(v, o->refuseExport);
  else if (MatchOption(arg, "--refuse-import", &v)) ReadScopes(v, o->refuseImport);
  else if (MatchOption(arg, "--kind-reply", &v)) o->kindReplyGiven = true, o->kindReply = strtol(v, nullptr, 10);
  else if (MatchOption(arg, "--insert-limit", &v)) o->insertLimit = strtoul(v, nullptr, 10);
  else if (MatchOption(arg, "--insert-total", &v)) o->insertTotalLimited = true, o->insertTotal = strtoul(v, nullptr, 10);
  else if (MatchOption(arg, "--gettext-limit", &v)) o->getTextLimited = true, o->getTextLimit = strtoul(v, nullptr, 10);
  else if (MatchOption(arg, "--ignore-replacesel", &v)) o->ignoreReplaceSel = true;
  else if (MatchOption(arg, "--lf-as-crlf", &v)) o->lfAsCrLf = true;
  else if (MatchOption(arg, "--gettext-chunk", &v)) o->getTextChunk = strtoul(v, nullptr, 10);
  else if (MatchOption(arg, "--no-exe-name", &v)) o->exeNameChild = false;
  else if (MatchOption(arg, "--exe-name", &v)) o->exeNameGiven = true, o->exeName = v;
  else if (MatchOption(arg, "--second-pane", &v)) o->secondPane = true, o->secondPaneText = v;
  else if (MatchOption(arg, "--pane-delay", &v)) o->paneDelay = strtoul(v, nullptr, 10);
  else if (MatchOption(arg, "--title", &v)) o->title = v;
  else if (MatchOption(arg, "--main-class", &v)) o->mainClass = v;
  else if (MatchOption(arg, "--save-on-close", &v)) o->saveOnClose = v;
  else if (MatchOption(arg, "--close-after-read", &v)) o->closeAfterRead = true;
  else if (MatchOption(arg, "--close-after-write", &v)) o->closeAfterWrite = true;
  else if (MatchOption(arg, "--stack", &v)) o->stack = strtoul(v, nullptr, 10);
  else if (MatchOption(arg, "--undo-limit", &v)) o->undoLimited = true, o->undoLimit = strtoul(v, nullptr, 10);
  else if (MatchOption(arg, "--type-after-clear", &v)) o->typeAfterClear = v;
  else return false;
  return true;
}

}  // namespace

bool ParseStandinOptions(int argc, char** argv, StandinOptions* options) {
  for (int i = 1; i < argc; ++i) {
    if (!ApplyOption(argv[i], options)) return false;
  }
  return true;
}

unsigned long StartDelayFromEnvironment() {
  const char* value = getenv(kStartDelayVariable);
  return value ? strtoul(value, nullptr, 10) : 0;
}

void TakeInsertTotalFromEnvironment(StandinOptions* options) {
  const char* value = getenv(kInsertTotalVariable);
  if (options->insertTotalLimited || !value) return;
  options->insertTotalLimited = true;
  options->insertTotal = strtoul(value, nullptr, 10);
}
