// A library the DirectX set-up double imports, as the real set-up library brings
// companions of its own: it lies only beside the double, so the double loads only when
// the double's own folder is searched for its imports.
#include <windows.h>

extern "C" __declspec(dllexport) int DSetupCompanionReady() { return 1; }
