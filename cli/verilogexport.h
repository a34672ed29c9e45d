#pragma once
// zorkan-cli export --format verilog: the options of the fixed-point implementation
// and the module's files.
#include "cli/options.h"

namespace zorkan::cli {

// The options export parsed; the format is verilog.
int runVerilogExport(const Arguments& args);

} // namespace zorkan::cli
