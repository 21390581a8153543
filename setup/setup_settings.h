// The per-language settings file "SETUP.INI": window title, font name and every text
// the setup shows.
#pragma once

// Reads `key` from section "DIALOG" (dialog non-zero) or "INFO" of the settings file, at
// most size - 1 characters; a missing key or empty value gives one blank " ".
void ReadSetupText(int dialog, const char* key, char* buffer, int size);

// Reads "APPNAME" (empty when missing) and "FONTNAME" ("System" when missing or empty)
// from section "INI" of the settings file into the setup state.
void ReadStartupSettings();
