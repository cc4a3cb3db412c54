#pragma once

// The runtime's whole interface: strings, files, file exceptions and extension modules.
#include "afx_file.h"
#include "afx_module.h"
#include "afx_string.h"
#include "afx_types.h"
