#pragma once

// The Windows integer types that MFC's signatures use. On Windows they are declared exactly as
// <windows.h> declares them, so both headers may meet in one translation unit.
#if defined(_WIN32)
typedef long LONG;
typedef unsigned int UINT;
typedef int BOOL;
typedef long long LONGLONG;
typedef unsigned long long ULONGLONG;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
#else
#include <cstdint>
typedef std::int32_t LONG;
typedef unsigned int UINT;
typedef int BOOL;
typedef std::int64_t LONGLONG;
typedef std::uint64_t ULONGLONG;
typedef void* HINSTANCE;
typedef HINSTANCE HMODULE;
#endif

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
