/*
 * K_AVI: plays one AVI file at a time inside a child window of the calling program,
 * through the Media Control Interface ("avivideo" device).
 *
 * Every function is __stdcall (WINAPI) and exported under its plain name, without any
 * decoration, from both the 32-bit and the 64-bit DLL. The library keeps one global
 * playback state and is meant to be used from the caller's window thread:
 *
 *   Avi_Init, then any number of Avi_Open (or Avi_Play) ... Avi_Stop cycles, then Avi_Quit.
 *
 * Positions and lengths are in frames. The library does not watch for the end of
 * playback: MCI posts MM_MCINOTIFY (wParam MCI_NOTIFY_SUCCESSFUL, lParam the device
 * identifier) to the parent window given to Avi_Open, and the caller reacts to it, for
 * example with Avi_Stop. Unless stated, a result of 1 means success and 0 failure.
 */
#ifndef K_AVI_H
#define K_AVI_H

#include <windows.h>

#ifdef K_AVI_BUILD
#define K_AVI_API __declspec(dllexport)
#else
#define K_AVI_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opens the "avivideo" device type. 1 when ready (or already initialised), 0 when MCI
   refuses. */
K_AVI_API int WINAPI Avi_Init(void);

/* Stops any open film and closes the device type. 0 when never initialised; otherwise
   the MCI error code of the close (0 on success). */
K_AVI_API int WINAPI Avi_Quit(void);

/* Opens fileName in a child video window of parent at (x, y). With width 0 the window
   takes the film's own size; otherwise it is width x height and the picture is scaled to
   it. audio switches the sound track on (non-zero) or off. A film already open is closed
   first. The parent is invalidated. 1 when the file was opened, else 0 (always 0 before
   Avi_Init). */
K_AVI_API int WINAPI Avi_Open(const char* fileName, HWND parent, int x, int y, int width,
                              int height, int audio);

/* Avi_Open, then Avi_Start(0, lastFrame). 1 when the file was opened, else 0. */
K_AVI_API int WINAPI Avi_Play(const char* fileName, HWND parent, int x, int y, int width,
                              int height, int audio, int lastFrame);

/* Plays the open film from firstFrame to lastFrame (-1: from the current position, to
   the end) without waiting; the parent is notified when it ends. 0 when no film is
   open. */
K_AVI_API int WINAPI Avi_Start(int firstFrame, int lastFrame);

/* Closes the open film, if any (stopping also closes). Always 1. */
K_AVI_API int WINAPI Avi_Stop(void);

/* Pauses playback: 1 when it was playing, else 0. */
K_AVI_API int WINAPI Avi_Pause(void);

/* Continues a paused film from its current position: 1 when it was paused, else 0. */
K_AVI_API int WINAPI Avi_Resume(void);

/* Switches the sound track on (non-zero) or off. 0 when no film is open. */
K_AVI_API int WINAPI Avi_Audio(int on);

/* Length of the open film in frames; 0 when none is open or MCI fails. */
K_AVI_API int WINAPI Avi_Length(void);

/* Frame rate of the open film in whole frames per second; 0 when none is open or MCI
   fails. */
K_AVI_API int WINAPI Avi_GetSpeed(void);

/* Plays at rate / base of normal speed (pass the wanted and the film's own frame rate);
   both numbers are taken as unsigned. 0 when base is 0 or the ratio is too large to
   express, else 1: the speed goes to the open film's device without a check of the
   state, so with no film open MCI ignores it. */
K_AVI_API int WINAPI Avi_SetSpeed(int rate, int base);

/* Current position of the open film in frames; 0 when none is open or MCI fails. */
K_AVI_API int WINAPI Avi_GetCurrent(void);

/* Seeks the open film to frame: 1, or 0 when no film is open. */
K_AVI_API int WINAPI Avi_SetCurrent(int frame);

/* 1 when initialised, else 0. */
K_AVI_API int WINAPI Avi_IsInit(void);

/* 1 when a film is open (also while playing or paused), else 0. */
K_AVI_API int WINAPI Avi_IsOpen(void);

/* 1 while playing (including after the film has reached its end, until Avi_Stop), else 0. */
K_AVI_API int WINAPI Avi_IsPlay(void);

/* 1 while paused, else 0. */
K_AVI_API int WINAPI Avi_IsPause(void);

#ifdef __cplusplus
}
#endif

#endif /* K_AVI_H */
