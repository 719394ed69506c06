#include "tests/ui/settings_file.h"

#include <windows.h>

#include <fstream>
#include <sstream>

#include "ui/settings.h"

namespace {

void DropProfileCache(const std::string& path) { WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str()); }

}  // namespace

std::string SettingsFile() {
  const char* path = SettingsPath();
  return path ? path : "";
}

void RemoveSettingsFile() {
  const std::string path = SettingsFile();
  DropProfileCache(path);
  DeleteFileA(path.c_str());
}

void WriteSettingsFile(const std::string& text) {
  const std::string path = SettingsFile();
  DropProfileCache(path);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

bool ReadSettingsFile(std::string& text) {
  std::ifstream in(SettingsFile(), std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return true;
}

std::vector<std::string> SettingsLines() {
  std::vector<std::string> lines;
  std::string text;
  if (!ReadSettingsFile(text)) return lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::map<std::string, std::string> OptionKeys() {
  std::map<std::string, std::string> keys;
  bool inOption = false;
  for (const std::string& line : SettingsLines()) {
    if (line[0] == '[') inOption = line == "[Option]";
    else if (inOption && line.find('=') != std::string::npos) keys[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  }
  return keys;
}
