#pragma once

#include "fio_contract.h"

#include <cstdint>

// What the host asks of FIO_WriteHeader. The driver reads only `stage`.
struct FIO_HeaderRequest {
  std::int32_t hostValue = 0;
  std::int32_t stage = 0;  // kFIOStageFileStart, kFIOStageTurnpointsDone or kFIOStageRoutesDone
};
