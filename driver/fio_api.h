#pragma once

// The driver's exported interface: the one header a host includes (#include <vp6fio/fio_api.h>).
// Every function has C linkage and is exported under its plain name (and, on Windows, under a
// fixed ordinal). The numbers the functions take and answer (results, stages, kinds, fault codes,
// capacities) are named in records/fio_contract.h.
//
// A host's mistakes get an answer: a null pointer for any argument that points makes a function
// with a result return kFIONotHandled (-1) at once, doing nothing; reading or writing without
// FIO_InitDriver, or after FIO_ExitDriver, first creates the driver state as FIO_InitDriver does.

// Found beside this header when installed, through the source root when built.
#include "afx/afx.h"
#include "records/driver_info_record.h"
#include "records/fio_contract.h"
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

// Fills the 144-byte record with the driver's name, version, maker and capacities. Returns
// kFIOSuccess.
FIO_EXPORT std::int32_t FIO_DriverInfo(FIO_DriverInfoRecord* info);

// Clears `size` bytes of `buffer` (size >= 1), then, for the object kinds of kFIOObjectKinds,
// copies the extension "lst" (no dot, at most size - 1 characters) and returns kFIOSuccess. Other
// kinds: kFIONotHandled.
FIO_EXPORT std::int32_t FIO_GetExtensions(std::int32_t kind, char* buffer, std::int32_t size);

// Copies `source` unchanged into `destination`, at most size - 1 characters (size >= 1), and
// zero-fills the rest of the buffer; the two may be the same buffer or overlap. Returns
// kFIOSuccess.
FIO_EXPORT std::int32_t FIO_TranslateFilename(const char* source, char* destination,
                                              std::int32_t size);

// Creates the driver state if there is none and sets its counters to 0. Call it before reading or
// writing. Throws std::bad_alloc when memory runs out.
FIO_EXPORT void FIO_InitDriver();

// Destroys the driver state; without one it does nothing.
FIO_EXPORT void FIO_ExitDriver();

// Answers kFIOSuccess when `file` begins with the two header lines of a KOORDIN file,
// kFIONotHandled otherwise, and
// leaves the file at its beginning. Throws FIO_Error (empty message) for a header line of more
// than 200 characters, leaving the file where the reading stopped.
FIO_EXPORT std::int32_t FIO_IsFileOfMyType(CFile* file);

// Reads the next slot of the file: a turnpoint slot into `tp` (kFIOReadTurnpoint), a route slot
// into `route` (kFIOReadRoute), an empty slot of either kind (kFIOReadEmptySlot), or nothing after
// the last route slot (kFIOReadEnd). A call with the file at its beginning skips the header and
// starts a new pass. Throws FIO_Error with the message and line number of a malformed line.
FIO_EXPORT std::int32_t FIO_ReadObject(CHostTextFile* file, FIO_TPEntry* tp, FIO_Route* route);

// Writes the file's header (kFIOStageFileStart, starting a new pass), fills the remaining
// turnpoint slots (kFIOStageTurnpointsDone) or the remaining route slots (kFIOStageRoutesDone).
// Returns kFIOSuccess. Throws CFileException* when a line cannot be written.
FIO_EXPORT std::int32_t FIO_WriteHeader(CHostTextFile* file, const FIO_HeaderRequest* request);

// Writes one turnpoint slot; once kFIOTurnpointCapacity are written, drops the turnpoint. Returns
// kFIOSuccess. Throws CFileException* when a line cannot be written.
FIO_EXPORT std::int32_t FIO_WriteTP(CHostTextFile* file, const FIO_TPEntry* tp);

// Writes one route slot: its name and at most kFIOPointsPerRoute of its inner points, leaving out
// first, in a longer route, those of kFIOPointKindOmittable. Once kFIORouteCapacity are written,
// drops the route. Returns kFIOSuccess. Throws CFileException* when a line cannot be written.
FIO_EXPORT std::int32_t FIO_WriteRoute(CHostTextFile* file, const FIO_Route* route);

// Entry points this driver declines: each returns kFIONotHandled at once, whatever the host
// passes.
FIO_EXPORT std::int32_t FIO_ReadFDEntry();
FIO_EXPORT std::int32_t FIO_Flight2IGC();
FIO_EXPORT std::int32_t FIO_IGC2Flight();
FIO_EXPORT std::int32_t FIO_WriteDeclaration();
FIO_EXPORT std::int32_t FIO_ReadDeclaration();

}  // extern "C"
