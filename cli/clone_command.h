// zelkor --target ... --template ... -o OUT: one clone run from the command line to the output
// file, the report and the saved parameters. Answers the exit status: 0 written, 1 the run ended
// with a message or was cancelled (nothing written). Usage errors throw UsageError (exit 2).
#pragma once

#include "cli/options.h"

namespace zelkor::cli {

int run_clone_command(const Options& options);

}  // namespace zelkor::cli
