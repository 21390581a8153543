/*
 * K_DEVICE: one-image acquisition from a TWAIN scanner and pen input from a Wintab
 * tablet.
 *
 * Every function is __stdcall (WINAPI) and exported under its plain name, without any
 * decoration, from both the 32-bit and the 64-bit DLL. The caller owns every record and
 * passes it by address; the library zeroes a record when it starts and when it ends it.
 * A null record or a null message pointer is refused (result 0). The library loads the
 * TWAIN source manager ("twain_32.dll" of the Windows folder) and the Wintab library
 * ("WINTAB32.DLL" of the system folder) by full path at run time; it shows no messages.
 * Every call must come from the thread that runs the parent window's message loop.
 */
#ifndef K_DEVICE_H
#define K_DEVICE_H

#include <windows.h>

#ifdef K_DEVICE_BUILD
#define K_DEVICE_API __declspec(dllexport)
#else
#define K_DEVICE_API __declspec(dllimport)
#endif

/* The TWAIN identity record as the TWAIN standard defines it: 2-byte packed, 156 bytes.
   A caller that includes the standard's own header first defines
   K_DEVICE_TWAIN_IDENTITY_DEFINED to use its definitions instead (the same layout). */
#ifndef K_DEVICE_TWAIN_IDENTITY_DEFINED
#define K_DEVICE_TWAIN_IDENTITY_DEFINED
#pragma pack(push, 2)
typedef unsigned short TW_UINT16;
typedef unsigned long TW_UINT32;
typedef char TW_STR32[34];
typedef void* TW_MEMREF;

typedef struct {
  TW_UINT16 MajorNum;
  TW_UINT16 MinorNum;
  TW_UINT16 Language;
  TW_UINT16 Country;
  TW_STR32 Info;
} TW_VERSION;

typedef struct {
  TW_UINT32 Id;
  TW_VERSION Version;
  TW_UINT16 ProtocolMajor;
  TW_UINT16 ProtocolMinor;
  TW_UINT32 SupportedGroups;
  TW_STR32 Manufacturer;
  TW_STR32 ProductFamily;
  TW_STR32 ProductName;
} TW_IDENTITY;
#pragma pack(pop)

/* The source manager's one entry point (exported at ordinal 1). */
typedef TW_UINT16(WINAPI* DSMENTRYPROC)(TW_IDENTITY* origin, TW_IDENTITY* destination,
                                        TW_UINT32 dataGroup, TW_UINT16 dataArgumentType,
                                        TW_UINT16 message, TW_MEMREF data);
#endif

/* One scan. 340 bytes in the 32-bit build; the 64-bit build keeps the order with its own
   pointer and handle sizes. */
typedef struct {
  DSMENTRYPROC dsmEntry;      /* DSM_Entry of the loaded source manager */
  HMODULE dsmLibrary;         /* the source manager; values 0..31 mean not loaded */
  HWND parentWindow;          /* the caller's window, the parent of every TWAIN dialog */
  TW_IDENTITY appIdentity;    /* this application's TWAIN identity */
  TW_IDENTITY sourceIdentity; /* the data source the user chose */
  DWORD managerOpen;          /* non-zero while the source manager is open */
  DWORD sourceOpen;           /* non-zero while the data source is open */
  DWORD reserved;             /* zero */
  HGLOBAL imageHandle;        /* packed DIB of the image transferred, 0 if none */
} ScannerSession;

/* One pen position: relative to the session's origin, pressure 0.0 .. 1.0. 12 bytes. */
typedef struct {
  LONG x;
  LONG y;
  float pressure;
} TabletPoint;

/* Number of points a TabletSession holds. */
#define K_DEVICE_TABLET_POINTS 100

/* One tablet context. 56 bytes in the 32-bit build; the 64-bit build keeps the order
   with its own pointer and handle sizes. */
typedef struct {
  HMODULE wintabLibrary; /* WINTAB32.DLL */
  HANDLE context;        /* the Wintab context (HCTX); 0 when none */
  LONG originX;          /* subtracted from every packet's X */
  LONG originY;          /* subtracted from every packet's Y */
  float lastPressure;    /* pressure of the last press query; 1.0 when none */
  DWORD cursor;          /* cursor of the packet being handled */
  DWORD cachedCursor;    /* cursor whose pressure data are held below */
  LONG pressureButton;   /* the cursor's normal-pressure button (logical), -1 none */
  LONG pressMark;        /* the cursor's normal-pressure "press" mark */
  LONG pressRange;       /* pressure axis maximum minus pressMark */
  LONG axisMin;          /* the device's normal-pressure axis minimum */
  LONG axisRange;        /* pressure axis maximum minus axisMin */
  DWORD pointCount;      /* points held in `points` */
  TabletPoint* points;   /* K_DEVICE_TABLET_POINTS points, allocated by init */
} TabletSession;

#ifdef __cplusplus
extern "C" {
#endif

/* 1 when "twain_32.dll" exists in the Windows folder, else 0. */
K_DEVICE_API int WINAPI TWScannerIsSupport(void);

/* Loads and opens the source manager, lets the user choose a source (its dialog), opens
   it, asks for one image by native transfer and enables it with its own interface when
   showInterface is non-zero. 1 when the source is enabled and waiting; 0 otherwise, the
   session then ended and zeroed. */
K_DEVICE_API int WINAPI TWScannerStart(ScannerSession* session, HWND parent, int showInterface);

/* Hands one message of the caller's loop to the source. 1 when it finished the scan
   (imageHandle then holds the image if one was transferred; the caller owns it and frees
   it with GlobalFree); 0 when the caller should dispatch the message as usual. A message
   the source handled itself is changed to WM_NULL in place (whatever the result), so that
   translating and dispatching it as usual does nothing. */
K_DEVICE_API int WINAPI TWScannerProcess(ScannerSession* session, MSG* message);

/* Disables and closes the source, closes the source manager, unloads it and zeroes the
   session (take imageHandle first). Returns 0. */
K_DEVICE_API int WINAPI TWScannerEnd(ScannerSession* session);

/* Loads Wintab and opens a context on window for packets of cursor, buttons, X, Y and
   normal pressure, in screen pixels; positions are given relative to (originX, originY).
   1 when the context is open; else 0, the session then zeroed. */
K_DEVICE_API int WINAPI WacomTabletInit(TabletSession* session, HWND window, LONG originX,
                                        LONG originY);

/* Frees the points, closes the context, unloads Wintab and zeroes the session. Returns 0. */
K_DEVICE_API int WINAPI WacomTabletQuit(TabletSession* session);

/* Empties the packet queue, storing the pressed ones (at most K_DEVICE_TABLET_POINTS) in
   points. 1 when at least one point was stored, else 0. */
K_DEVICE_API int WINAPI WacomTableInfoWhenMove(TabletSession* session);

/* Takes the pressure of the first queued packet into lastPressure and empties the queue.
   1 when there was a packet; else 0 with lastPressure 1.0. */
K_DEVICE_API int WINAPI WacomTableInfoWhenPress(TabletSession* session);

/* Empties the packet queue. */
K_DEVICE_API void WINAPI WacomTableRemoveEvent(TabletSession* session);

/* Puts the context on top of the overlap order (onTop non-zero) or at its bottom. Does
   nothing without a context. */
K_DEVICE_API void WINAPI WacomTabletFocus(TabletSession* session, BOOL onTop);

/* Re-reads the pressure data of the current cursor; call it when Wintab reports a change
   of cursor or device information. 1 when they were read, 0 without a context. */
K_DEVICE_API int WINAPI WacomTabletInfoChanged(TabletSession* session);

#ifdef __cplusplus
}
#endif

#endif /* K_DEVICE_H */
