// An empty DLL that the K_INI tests copy into folders of their choice and load, to ask
// for the folder of a module they placed.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
