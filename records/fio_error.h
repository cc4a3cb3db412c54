#pragma once

#include "../afx/afx_string.h"
#include "fio_contract.h"
#include "shared_type.h"

#include <cstdint>

// Malformed input, thrown by value by the driver and caught by the host by its type.
class FIO_SHARED_TYPE FIO_Error {
 public:
  FIO_Error(std::int32_t code, const CStringA& message, std::int32_t line, std::int32_t info)
      : message(message), line(line), code(code), info(info) {}

  CStringA message;   // the faulty field, e.g. "bad latitude"; empty for an over-long line
  std::int32_t line;  // line number in the file
  std::int32_t code;  // kFIOErrorCode for every fault of this driver
  std::int32_t info;  // kFIOErrorInfo for every fault of this driver
};
