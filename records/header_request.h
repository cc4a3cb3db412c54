#pragma once

#include <cstdint>

// What the host asks of FIO_WriteHeader. The driver reads only `stage`.
struct FIO_HeaderRequest {
  std::int32_t hostValue = 0;
  std::int32_t stage = 0;  // 3: start of file, 2: turnpoints done, 4: routes done
};
