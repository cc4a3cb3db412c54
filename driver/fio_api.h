#pragma once

// The driver's exported interface: the one header a host includes. Every function has C linkage
// and is exported under its plain name (and, on Windows, under a fixed ordinal).

#include "afx/afx.h"
#include "records/driver_info_record.h"
#include "records/fio_error.h"
#include "records/header_request.h"
#include "records/host_text_file.h"
#include "records/route.h"
#include "records/tp_entry.h"

#include <cstdint>

#if defined(_WIN32)
#define FIO_EXPORT  // exported through driver/vp6fio.def, with its ordinal
#else
#define FIO_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

// Fills the 144-byte record with the driver's name, version, maker and capacities. Returns 1.
FIO_EXPORT std::int32_t FIO_DriverInfo(FIO_DriverInfoRecord* info);

// Clears `size` bytes of `buffer` (size >= 1), then, for the object kinds 1, 8, 64 and 512,
// copies the extension "lst" (no dot, at most size - 1 characters) and returns 1. Other kinds: -1.
FIO_EXPORT std::int32_t FIO_GetExtensions(std::int32_t kind, char* buffer, std::int32_t size);

// Copies `source` unchanged into `destination`, at most size - 1 characters (size >= 1), and
// zero-fills the rest of the buffer. Returns 1.
FIO_EXPORT std::int32_t FIO_TranslateFilename(const char* source, char* destination,
                                              std::int32_t size);

// Creates the driver state if there is none and sets its counters to 0. Call it before reading or
// writing. Throws std::bad_alloc when memory runs out.
FIO_EXPORT void FIO_InitDriver();

// Destroys the driver state; without one it does nothing.
FIO_EXPORT void FIO_ExitDriver();

// Entry points this driver declines: each returns -1 at once, whatever the host passes.
FIO_EXPORT std::int32_t FIO_ReadFDEntry();
FIO_EXPORT std::int32_t FIO_Flight2IGC();
FIO_EXPORT std::int32_t FIO_IGC2Flight();
FIO_EXPORT std::int32_t FIO_WriteDeclaration();
FIO_EXPORT std::int32_t FIO_ReadDeclaration();

}  // extern "C"
