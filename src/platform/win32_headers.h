// win32_headers.h - the one place the Windows headers are included, Winsock first.
//
// winsock2.h must come before windows.h (which kvn.h pulls in), or the old
// winsock.h that windows.h includes by default clashes with it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#  define WIN32_LEAN_AND_MEAN
#endif
#ifndef _WIN32_WINNT
#  define _WIN32_WINNT 0x0601 // Windows 7: getaddrinfo and friends without wspiapi
#endif

// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>
#include <windows.h>
// clang-format on
