// Starting programs. A process handle is signalled when the program has ended, so the
// caller can wait for it (WaitForSingleObject, on the platform clock) and read its exit
// code. Programs are found as platform/shell/command_line.h says.
#pragma once

#include "platform/base/wintypes.h"

struct SECURITY_ATTRIBUTES;

constexpr UINT SW_HIDE = 0;
constexpr UINT SW_SHOWNORMAL = 1;
constexpr UINT SW_SHOW = 5;
constexpr DWORD STARTF_USESHOWWINDOW = 0x1;
constexpr UINT ERROR_BAD_FORMAT = 11;

// Only what the station passes: the show state (our programs open no windows of their own).
struct STARTUPINFOW {
    DWORD cb;
    DWORD dwFlags;
    WORD wShowWindow;
};

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread; // always null here: a process has no separate thread handle
    DWORD dwProcessId;
    DWORD dwThreadId;
};

// `applicationName` must be null: the program is the first word of `commandLine`.
// `currentDirectory` null keeps the caller's. Environment: the caller's.
BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, SECURITY_ATTRIBUTES* processAttributes,
                    SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                    LPCWSTR currentDirectory, STARTUPINFOW* startupInfo, PROCESS_INFORMATION* processInformation);
// STILL_ACTIVE while the program runs; 128 + the signal for a program killed by one.
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

// Starts the program without waiting for it. Above 31 on success; otherwise 0 (no
// resources), ERROR_FILE_NOT_FOUND or ERROR_BAD_FORMAT (a file that cannot be run).
UINT WinExec(LPCSTR commandLine, UINT showCommand);
