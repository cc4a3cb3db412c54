#pragma once

// The runtime's whole interface: strings, files, file exceptions and extension modules.
#include "afx/afx_file.h"
#include "afx/afx_module.h"
#include "afx/afx_string.h"
#include "afx/afx_types.h"
