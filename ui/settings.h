#pragma once
#include <cstddef>

struct AppRecord;

// The settings file lies beside the executable and has its name, with the
// last three characters of the path replaced by "ini".
enum : int { kSettingsPathSize = 260 };

// Works out the path anew into a process-wide buffer of kSettingsPathSize
// bytes. Null when the executable's own path cannot be had whole.
const char* SettingsPath();

// The path rule on its own: path holds length bytes of a module path; its
// last three become "ini". False, and path untouched, for a path shorter than
// three bytes or one that filled the whole buffer (cut by the system).
bool MakeSettingsPath(char* path, size_t length);

// Reads the nine keys of section "Option" into g_sortOptions; a key that is
// absent keeps the value the option already has.
void LoadSettings();

// Writes all nine keys from g_sortOptions, numbers formatted in app.scratch.
void SaveSettings(AppRecord& app);
