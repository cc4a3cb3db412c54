#pragma once

#include "tools/koordin/instrument/driver_library.h"
#include "tools/koordin/instrument/koordin_plan.h"
#include "tools/koordin/io/file_io.h"

#include <string>

// KOORDIN files written through the driver's exports alone.
namespace koordin_cli {

// The planned turnpoints and routes as the bytes of a complete KOORDIN file, written by the driver
// into memory in text mode, every line then ended in CR LF. `displayPath` is the name errors give.
// Throws FileError when a line cannot be written, and when the file has not exactly the lines of
// its slots.
std::string WriteKoordin(const LoadedDriver& driver, const KoordinPlan& plan,
                         const std::string& displayPath);

}  // namespace koordin_cli
