/*
 * K_SOUND: a mixer of WAV sounds on DirectSound.
 *
 * A caller opens a mixer for a window with InitMixW and names its sounds by their file
 * names; a mixer holds at most 10 sounds at a time, loaded into static DirectSound
 * buffers and kept after they end, so that playing the same name again reuses them.
 * Two mixers can be open at once.
 *
 * Every function is __stdcall (WINAPI) and exported under its plain name, without any
 * decoration, from both the 32-bit and the 64-bit DLL. Results are 1 for success and 0
 * for failure unless told otherwise. The mixer index -1 (what InitMixW returns when it
 * fails) and any index other than one InitMixW returned make every function do nothing
 * and return its failure result. Names are single-byte (ANSI) file names of at most 127
 * characters; a longer name is refused. Volumes are attenuations in whole decibels: 0 is
 * full level, 100 (or more) silence. The library is meant to be used from one thread.
 */
#ifndef K_SOUND_H
#define K_SOUND_H

#include <windows.h>

#ifdef K_SOUND_BUILD
#define K_SOUND_API __declspec(dllexport)
#else
#define K_SOUND_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opens a mixer playing for `window`: its index (0 or 1), or -1 when both are open or
   DirectSound cannot be opened. A non-zero `reset` closes every open mixer first. */
K_SOUND_API int WINAPI InitMixW(HWND window, int reset);

/* Closes a mixer and releases its sounds. */
K_SOUND_API int WINAPI QuitMixW(int mixer);

/* 1 when the device's primary buffer plays 16-bit samples, else 0. */
K_SOUND_API int WINAPI Is16Bit(int mixer);

/* 1 when the device's primary buffer plays stereo, else 0. */
K_SOUND_API int WINAPI IsStereo(int mixer);

/* Loads a WAV file into a free slot unless a sound of that name is loaded already
   (then 1 without reading the file). 0 when no slot is free or the file is unusable. */
K_SOUND_API int WINAPI LoadMixW(int mixer, const char* fileName);

/* Plays a sound from its start, looping when `loop` is non-zero. A sound of that name
   that is playing goes on unchanged (1). Otherwise the sound goes to the first free
   slot, or reuses its own idle slot (keeping its volume and frequency), or replaces the
   last idle sound of another name. 0 when all 10 sounds are playing or the file is
   unusable. */
K_SOUND_API int WINAPI PlayMixW(int mixer, const char* fileName, int loop);

/* Stops the named sound if it is playing. */
K_SOUND_API int WINAPI StopMixW(int mixer, const char* fileName);

/* Stops every playing sound of the mixer. */
K_SOUND_API int WINAPI StopAllMixW(int mixer);

/* Stops every playing sound that was not started looping. */
K_SOUND_API int WINAPI StopAllMixWExceptLoop(int mixer);

/* Stops every playing sound except the named one. */
K_SOUND_API int WINAPI StopAllMixWExceptFileName(int mixer, const char* fileName);

/* The named sound's playback frequency in Hz into *frequency. */
K_SOUND_API int WINAPI GetMixWFreguency(int mixer, DWORD* frequency, const char* fileName);

/* Sets the named sound's playback frequency, clamped to 100 ... 100000 Hz. */
K_SOUND_API int WINAPI SetMixWFreguency(int mixer, DWORD frequency, const char* fileName);

/* The named sound's attenuation in decibels (0 ... 100) into *attenuation. */
K_SOUND_API int WINAPI GetMixWVolume(int mixer, int* attenuation, const char* fileName);

/* Sets the named sound's attenuation in decibels; above 100 means 100 (silence). */
K_SOUND_API int WINAPI SetMixWVolume(int mixer, DWORD attenuation, const char* fileName);

/* Lowers a playing sound towards silence in `steps` equal steps taken at once; the
   sound keeps playing at the last level. 0 when steps is 0 or the sound is not playing;
   a negative count changes nothing (1). */
K_SOUND_API int WINAPI SlienceMixWVolume(int mixer, int steps, const char* fileName);

/* 1 when the named sound is playing, else 0. */
K_SOUND_API int WINAPI IsMixWPlay(int mixer, const char* fileName);

/* 0 when the named sound is playing, else 1 (also for the mixer -1). */
K_SOUND_API int WINAPI IsMixWStop(int mixer, const char* fileName);

#ifdef __cplusplus
}
#endif

#endif /* K_SOUND_H */
