#pragma once

// The driver's exported interface: the one header a host includes (#include <vp6fio/fio_api.h>).
// Every function has C linkage and is exported under its plain name (and, on Windows, under a
// fixed ordinal). The numbers the functions take and answer (results, stages, kinds, fault codes,
// capacities) are named in records/fio_contract.h.
//
// A host's mistakes get an answer: a null pointer for any argument that points makes a function
// with a result return kFIONotHandled (-1) at once, doing nothing; reading or writing without
// FIO_InitDriver, or after FIO_ExitDriver, first creates the driver state as FIO_InitDriver does.
//
// Traps of the contract:
// - Writing a file is five steps in this order: FIO_WriteHeader(kFIOStageFileStart), FIO_WriteTP
//   for each turnpoint, FIO_WriteHeader(kFIOStageTurnpointsDone), FIO_WriteRoute for each route,
//   FIO_WriteHeader(kFIOStageRoutesDone). Nothing checks the order, and with a stage left out
//   every call still returns kFIOSuccess: without kFIOStageTurnpointsDone the routes follow the
//   last turnpoint (three turnpoints give a file of 532 lines, not 2044), which FIO_ReadObject
//   refuses with FIO_Error; without kFIOStageRoutesDone the file ends after the last route;
//   without kFIOStageFileStart it has no header and is not recognised.
// - One driver state, for reading and writing alike: FIO_ReadObject on a file at position 0
//   starts a read pass and sets every counter to 0, the write counters too. Never read a file
//   while writing one.
// - Lines end as the host's stream writes '\n': LF in a text stream on Linux, CR LF in a text
//   stream on Windows. Reading takes either.
// - Texts are written as the bytes given, in the file's character set (a Windows code page): the
//   host converts, the driver does not.

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
// starts a new pass, setting the write counters to 0 too. Throws FIO_Error with the message and
// line number of a malformed line. Coordinates come in whole seconds; a frequency written empty
// reads back as "0.000". A route's points are the inner points written, of kFIOPointKindPlain
// with coordinates 0: no takeoff and no landing, so a route read and written again loses two
// points each time. The host deletes the points (FIO_Route does).
FIO_EXPORT std::int32_t FIO_ReadObject(CHostTextFile* file, FIO_TPEntry* tp, FIO_Route* route);

// Writes the file's header (kFIOStageFileStart, starting a new pass), fills the remaining
// turnpoint slots (kFIOStageTurnpointsDone) or the remaining route slots (kFIOStageRoutesDone).
// Returns kFIOSuccess. Throws CFileException* when a line cannot be written.
FIO_EXPORT std::int32_t FIO_WriteHeader(CHostTextFile* file, const FIO_HeaderRequest* request);

// Writes one turnpoint slot; once kFIOTurnpointCapacity are written, drops the turnpoint. Returns
// kFIOSuccess. Throws CFileException* when a line cannot be written.
// - name: its bytes up to the first zero byte, cut at kFIONameWidth (18) bytes.
// - latitude, longitude: the float's value to the nearest whole second. Round to whole seconds in
//   double before converting to float: 48.730417 (43'49.5") as a float is 48.7304153 (43'49.495")
//   and becomes 43'49".
// - altitude: -999 to 9999 read back as written. A longer number is written whole, but read back
//   as its first four characters (12345 as 1234, -1000 as -100) and the frequency then as empty.
// - frequency: written as given; an empty one as "0.000".
FIO_EXPORT std::int32_t FIO_WriteTP(CHostTextFile* file, const FIO_TPEntry* tp);

// Writes one route slot: its name (cut at kFIONameLineWidth, 19 bytes) and at most
// kFIOPointsPerRoute of its inner points by name (cut at kFIONameWidth, 18 bytes), leaving out
// first, in a longer route, those of kFIOPointKindOmittable. The first and the last point are the
// takeoff and the landing and are never written. Once kFIORouteCapacity are written, drops the
// route. Returns kFIOSuccess. Throws CFileException* when a line cannot be written.
FIO_EXPORT std::int32_t FIO_WriteRoute(CHostTextFile* file, const FIO_Route* route);

// Entry points this driver declines: each returns kFIONotHandled at once, whatever the host
// passes.
FIO_EXPORT std::int32_t FIO_ReadFDEntry();
FIO_EXPORT std::int32_t FIO_Flight2IGC();
FIO_EXPORT std::int32_t FIO_IGC2Flight();
FIO_EXPORT std::int32_t FIO_WriteDeclaration();
FIO_EXPORT std::int32_t FIO_ReadDeclaration();

}  // extern "C"
