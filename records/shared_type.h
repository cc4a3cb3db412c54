#pragma once

#include "../afx/afx_export.h"  // the records hold std::string: the host's ABI is checked

// FIO_SHARED_TYPE marks the types that cross between the driver and its host. Their type
// information stays visible outside the driver, so that a host catches what the driver throws by
// its type and deletes what the driver created through the driver's own virtual destructor.
#if defined(_WIN32)
#define FIO_SHARED_TYPE
#else
#define FIO_SHARED_TYPE __attribute__((visibility("default")))
#endif
