#include "setup_settings.h"

#include <windows.h>

#include <cstring>

#include "setup_state.h"

namespace {

constexpr char kDefaultFont[] = "System";

DWORD ReadSettingsValue(const char* section, const char* key, char* buffer, DWORD size) {
  return GetPrivateProfileStringA(section, key, "", buffer, size, GetSetupState()->settingsFile);
}

}  // namespace

void ReadSetupText(int dialog, const char* key, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return;
  const DWORD length =
      ReadSettingsValue(dialog ? "DIALOG" : "INFO", key, buffer, static_cast<DWORD>(size));
  if (length == 0 && size >= 2) std::memcpy(buffer, " ", 2);
}

void ReadStartupSettings() {
  SetupState* state = GetSetupState();
  ReadSettingsValue("INI", "APPNAME", state->appName, sizeof state->appName);
  if (ReadSettingsValue("INI", "FONTNAME", state->fontName, sizeof state->fontName) == 0) {
    std::memcpy(state->fontName, kDefaultFont, sizeof kDefaultFont);
  }
}
