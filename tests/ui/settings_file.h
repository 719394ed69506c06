// The settings file of the test executable itself (it lies beside it), set
// up and read back around each test. The profile functions cache files, so
// every change made behind their back first drops the cache.
#pragma once
#include <map>
#include <string>
#include <vector>

std::string SettingsFile();
void RemoveSettingsFile();
void WriteSettingsFile(const std::string& text);
// False when there is no file.
bool ReadSettingsFile(std::string& text);
// The file's non-empty lines in order; empty when there is no file.
std::vector<std::string> SettingsLines();
// The key=value lines of section [Option], whatever their order.
std::map<std::string, std::string> OptionKeys();
