#pragma once

#include <cstdint>

// The driver state: how many turnpoint and route slots of the current file have been read or
// written. Reading and writing share it, so one file is handled at a time.
class global_values {
 public:
  virtual ~global_values() = default;

  // Sets all four counters to 0.
  void ResetCounters() { tpRead = tpWritten = routesRead = routesWritten = 0; }

  std::int32_t tpRead = 0;
  std::int32_t tpWritten = 0;
  std::int32_t routesRead = 0;
  std::int32_t routesWritten = 0;
};

// The one driver state: null before FIO_InitDriver and after FIO_ExitDriver.
extern global_values* g_pGlobalValues;

// The driver state, created with its counters at 0 when there is none, as FIO_InitDriver does.
// Throws std::bad_alloc when memory runs out.
global_values& DriverState();
