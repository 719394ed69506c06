#include "platform/message_box.h"

const char kMessageCaption[] = "Ordwell";

namespace {
MessageBoxHook g_hook = nullptr;
}

void SetMessageBoxHook(MessageBoxHook hook) { g_hook = hook; }

MessageBoxHook CurrentMessageBoxHook() { return g_hook; }
