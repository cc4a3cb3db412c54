#pragma once

// The numbers that driver and host agree on: results, header stages, point and object kinds, the
// fault's code and info, and the capacities and widths of the file. Both sides take them from here.

#include <cstdint>

// Results of the entry points.
inline constexpr std::int32_t kFIOSuccess = 1;      // done; for FIO_IsFileOfMyType, "my file"
inline constexpr std::int32_t kFIONotHandled = -1;  // not my file, kind or service; a null pointer

// Results of FIO_ReadObject.
inline constexpr std::int32_t kFIOReadTurnpoint = 1;  // a turnpoint slot with a name
inline constexpr std::int32_t kFIOReadRoute = 2;      // a route slot with a name
inline constexpr std::int32_t kFIOReadEmptySlot = 6;  // a slot of either kind whose name is empty
inline constexpr std::int32_t kFIOReadEnd = -1;       // every route slot has been read

// Stages of FIO_HeaderRequest, what FIO_WriteHeader writes. A file is written 3, turnpoints, 2,
// routes, 4; a stage left out still answers kFIOSuccess and leaves a file the reader refuses.
inline constexpr std::int32_t kFIOStageFileStart = 3;       // the header; a new pass begins
inline constexpr std::int32_t kFIOStageTurnpointsDone = 2;  // the remaining turnpoint slots
inline constexpr std::int32_t kFIOStageRoutesDone = 4;      // the remaining route slots

// Kinds of FIO_TPEntry::kind.
inline constexpr std::int32_t kFIOPointKindPlain = 1;  // a new record; every route point read
// An inner point that a route of more than kFIOPointsPerRoute points leaves out first.
inline constexpr std::int32_t kFIOPointKindOmittable = 3;

// The object kinds FIO_GetExtensions accepts; FIO_DriverInfo reports them as one bit set.
inline constexpr std::int32_t kFIOObjectKinds[] = {1, 8, 64, 512};

// FIO_Error's code and info for every fault this driver reports.
inline constexpr std::int32_t kFIOErrorCode = -2;
inline constexpr std::int32_t kFIOErrorInfo = 0;

// Capacities and widths of a file, as FIO_DriverInfo reports them. Widths are bytes of the file's
// character set; a longer name is cut.
inline constexpr std::int32_t kFIOTurnpointCapacity = 255;  // turnpoint slots
inline constexpr std::int32_t kFIORouteCapacity = 32;       // route slots
inline constexpr std::int32_t kFIOPointsPerRoute = 15;      // point lines of a route slot
inline constexpr std::int32_t kFIONameWidth = 18;           // a turnpoint's or route point's name
inline constexpr std::int32_t kFIONameLineWidth = kFIONameWidth + 1;  // a route's name
