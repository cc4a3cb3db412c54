#pragma once

#include "cxx_abi.h"  // generated: the standard library a host must be built with

// AFX_API marks what the afx runtime library shares with the modules that link it.
#if defined(_WIN32)
#if defined(AFX_BUILDING)
#define AFX_API __declspec(dllexport)
#else
#define AFX_API __declspec(dllimport)
#endif
#else
#define AFX_API __attribute__((visibility("default")))
#endif
