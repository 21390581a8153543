/*
 * K_INI: the product's configuration file ("korvex.ini" in the Windows folder), its
 * language, its folder layout on disk and the display check.
 *
 * Every function is __stdcall (WINAPI) and exported under its plain name, without any
 * decoration, from both the 32-bit and the 64-bit DLL, so that callers in any language
 * can bind it by name. Texts are single-byte (ANSI) strings; every output buffer must
 * hold 128 bytes. A result that would not fit 127 characters is refused (the function's
 * failure result), never cut short. The library keeps no state and is meant to be used
 * from one thread.
 */
#ifndef K_INI_H
#define K_INI_H

#include <windows.h>

#ifdef K_INI_BUILD
#define K_INI_API __declspec(dllexport)
#else
#define K_INI_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Size of every text buffer passed to the library. */
#define K_INI_TEXT_SIZE 128

/* Name of the configuration file, no folder: copies "korvex.ini" into out; returns out. */
K_INI_API char* WINAPI IniGetIni(char* out);

/* The product's language number: 2. */
K_INI_API int WINAPI IniGetSysLan(void);

/* Code of the product's language ("chs") into out; returns out. */
K_INI_API char* WINAPI IniGetSysLanStr(char* out);

/* The same code as IniGetSysLanStr; the file path is not read. Returns out. */
K_INI_API char* WINAPI IniGetLocalSysLanStr(const char* filePath, char* out);

/* 1 when the display has at least 16 bits per pixel and is at least minWidth wide and
   minHeight high, else 0. */
K_INI_API int WINAPI IniRightMode(int minWidth, int minHeight);

/* The window whose class the key "PARENT" of section "PARA" names, read from fileName in
   the folder of the module `instance`; null when the key is empty or begins with "NULL"
   (any letter case), or no such window exists. */
K_INI_API HWND WINAPI IniGetParent(const char* fileName, HINSTANCE instance);

/* Reads "INFOBMP" of section "PARA" of fileName beside the module into out; 1 when it is
   non-empty, else 0 with out empty. */
K_INI_API int WINAPI IniGetInfoBmp(const char* fileName, HINSTANCE instance, char* out);

/* Folder of the module, ending in "\", into out (empty when it does not fit); returns out. */
K_INI_API char* WINAPI IniGetModulePath(HINSTANCE instance, char* out);

/* Deletes the configuration file from the Windows folder: 0 when deleted, else -1. */
K_INI_API int WINAPI IniRemove(void);

/* Copies "Untitled" into out; the first three arguments are ignored. Returns out. */
K_INI_API char* WINAPI IniGetAppName(const void* reserved1, const void* reserved2,
                                     const void* reserved3, char* out);

/* Composes a data path into out from a coded name: root letter ("C" = firstRoot,
   "H" = secondRoot, any other letter appends to what out holds), folder letter (B, F,
   G, M, R, W) and relative path; language >= 0 adds "Lan\<code>\". Returns 0, or -1
   (out empty) when the path does not fit. */
K_INI_API int WINAPI IniGetFileNameClearMean(const char* firstRoot, const char* secondRoot,
                                             int language, const char* codedName, char* out);

/* Finds a data file (name = folder letter + relative path), preferring the copy below
   secondRoot (the installed folder) to the one below firstRoot (the CD). A name whose
   last component has no "." names a folder, and out is then that folder without a final
   separator. Returns 0 when the secondRoot path exists, or for a file name; for a folder
   name not found there, the offset in out where its last separator was cut. -1 with out
   empty when a path does not fit. */
K_INI_API int WINAPI IniGetFileName(const char* firstRoot, const char* secondRoot, int language,
                                    const char* name, char* out);

/* Reads key of section from fileName beside the module; a drive path ("X:...") is given
   as it is, any other value below the module's folder. 1 when found, else 0. */
K_INI_API int WINAPI IniGetOtherPath(const char* fileName, HINSTANCE instance, const char* section,
                                     const char* key, char* out);

/* Composes a sound path: root, language folder, "STEREO\" or "MONO\", then the coded
   name from its second character. Returns 0, or -1 (out empty) when it does not fit. */
K_INI_API int WINAPI IniGetSoundNameClearMean(const char* firstRoot, const char* secondRoot,
                                              int language, int stereo, const char* codedName,
                                              char* out);

/* Finds a sound file as IniGetFileName finds a data file (name without folder letter). */
K_INI_API int WINAPI IniGetSoundName(const char* firstRoot, const char* secondRoot, int language,
                                     int stereo, const char* name, char* out);

/* The installed folder ("INSTALLPATH" of section "PATH"), ending in "\": 1 when set, else
   0 with out untouched. */
K_INI_API int WINAPI IniGetInstallPath(char* out);

/* Stores the installed folder with a final "\"; the profile write's result. */
K_INI_API int WINAPI IniPutInstallPath(const char* path);

/* The CD folder ("CDPATH"), ending in "\": 1 when set, else 0 with out untouched. */
K_INI_API int WINAPI IniGetCDPath(char* out);

/* Stores the CD folder with a final "\"; the profile write's result. */
K_INI_API int WINAPI IniPutCDPath(const char* path);

/* 1 when "ALL" is set and its decimal value is 1 (the whole product is on the hard
   disk), else 0. */
K_INI_API int WINAPI IniGetAll(void);

/* Stores "ALL" as "1" for any non-zero flag, else "0"; the profile write's result. */
K_INI_API int WINAPI IniPutAll(int flag);

/* Reads any key of the configuration file into out: 1 when non-empty, else 0 with out
   untouched. */
K_INI_API int WINAPI IniGetValue(const char* section, const char* key, char* out);

/* Writes any key of the configuration file (the platform's profile rules apply: a null
   value deletes the key); the profile write's result. */
K_INI_API int WINAPI IniPutValue(const char* section, const char* key, const char* value);

#ifdef __cplusplus
}
#endif

#endif /* K_INI_H */
