// The installer's one global record: what start-up learns and the screens decide.
//
// Start-up and the main-window creation fill every field; after that only the logo
// screen writes `installMode` and only the destination screen writes `installDir`; the
// shutdown zeroes the whole record. One thread reads and writes it.
#pragma once

#include <windows.h>

// Every text is a zero-terminated single-byte string of at most 127 characters; folder
// texts end in "\".
struct SetupState {
  int initialised;            // 1 once start-up has completed
  char configFileName[128];   // the product's configuration file, no folder ("korvex.ini")
  char languageCode[128];     // the product's language code ("chs")
  char skinDir[128];          // sourceDir + "lan\<code>\setup\": skin, settings, setup information
  int installMode;            // 1 = install to the hard disk
  char appName[128];          // "APPNAME" of the settings: window title and message captions
  int windowX, windowY;       // top left of the centred 600 x 450 main window
  char fontName[128];         // "FONTNAME" of the settings, "System" when missing
  char sourceDir[128];        // folder of the running setup program, lower case
  char installDir[128];       // destination folder, lower case
  char settingsFile[128];     // skinDir + "SETUP.INI"
  HINSTANCE instance;
  HWND mainWindow;
  HFONT titleFont;            // height 24, bold
  HFONT textFont;             // height 13 (destination and progress screens)
  HFONT messageFont;          // height 15 (message box)
  HBITMAP background;         // the 600 x 450 picture of the main window
  HRGN windowShape;           // shape of the main window
};

// The one SetupState; never fails, never allocates.
SetupState* GetSetupState();
