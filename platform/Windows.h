// The handful of Windows calls the system makes. On Windows these are the real ones; elsewhere
// platform/StandIn.cpp supplies functions of the same names and meanings, so that the plug-in can
// run against a stand-in host in an ordinary process.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else

#include <cstdint>

#define WINAPI
#define CALLBACK
#define APIENTRY
#define FAR
#define NEAR

typedef int BOOL;
typedef unsigned int UINT;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef intptr_t INT_PTR;
typedef void* HWND;
typedef struct PlatformModule* HMODULE;
typedef HMODULE HINSTANCE;
typedef INT_PTR (*FARPROC)();

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define MB_OK 0x00000000u
#define MB_YESNO 0x00000004u
#define MB_ICONERROR 0x00000010u
#define MB_ICONHAND MB_ICONERROR
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONINFORMATION 0x00000040u

#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

#define SM_CYFULLSCREEN 17

#define SW_HIDE 0
#define SW_SHOWNORMAL 1

HMODULE GetModuleHandleA(const char* moduleName);
FARPROC GetProcAddress(HMODULE module, const char* procName);
int LoadStringA(HINSTANCE instance, UINT id, char* buffer, int bufferMax);
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
HWND GetActiveWindow();
BOOL MessageBeep(UINT type);
int GetSystemMetrics(int index);
HWND GetDlgItem(HWND dialog, int item);
BOOL ShowWindow(HWND window, int command);

#endif
