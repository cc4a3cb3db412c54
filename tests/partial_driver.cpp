// A library with all but two of the driver's exports (FIO_ReadObject and FIO_WriteRoute are
// missing), for the test that koordin names what a library lacks. Only the names matter.

#include "records/fio_contract.h"

#define EXPORT(name)                                                      \
  extern "C" __attribute__((visibility("default"))) std::int32_t name() { \
    return kFIONotHandled;                                                \
  }

EXPORT(FIO_DriverInfo)
EXPORT(FIO_IsFileOfMyType)
EXPORT(FIO_GetExtensions)
EXPORT(FIO_TranslateFilename)
EXPORT(FIO_InitDriver)
EXPORT(FIO_ExitDriver)
EXPORT(FIO_WriteTP)
EXPORT(FIO_WriteHeader)
EXPORT(FIO_ReadFDEntry)
EXPORT(FIO_Flight2IGC)
EXPORT(FIO_IGC2Flight)
EXPORT(FIO_WriteDeclaration)
EXPORT(FIO_ReadDeclaration)
