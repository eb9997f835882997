// The runtime's file functions, replaced: files below a movie URL come from the book through
// fake handles; every other call reaches the system unchanged.
#pragma once

#include <windows.h>

namespace leafmark::replacements {

HANDLE WINAPI MappedCreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                LPSECURITY_ATTRIBUTES securityAttributes,
                                DWORD creationDisposition, DWORD flagsAndAttributes,
                                HANDLE templateFile);
HANDLE WINAPI MappedCreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                LPSECURITY_ATTRIBUTES securityAttributes,
                                DWORD creationDisposition, DWORD flagsAndAttributes,
                                HANDLE templateFile);
// Reads are always synchronous: an OVERLAPPED is ignored for a fake handle.
BOOL WINAPI ServedReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                           LPOVERLAPPED overlapped);
DWORD WINAPI ServedGetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL WINAPI ServedGetFileSizeEx(HANDLE file, PLARGE_INTEGER size);
// A fake handle moves by the low 32 bits of the distance, taken as signed: served files are
// below 2 GiB.
DWORD WINAPI ServedSetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh,
                                  DWORD moveMethod);
BOOL WINAPI ServedSetFilePointerEx(HANDLE file, LARGE_INTEGER distance,
                                   PLARGE_INTEGER newPosition, DWORD moveMethod);
BOOL WINAPI ServedCloseHandle(HANDLE object);

}  // namespace leafmark::replacements
