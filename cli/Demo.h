// The built-in demonstration: a sample score in the stand-in host, SET SOURCE and COPY run
// through the plug-in's entry points as a user would run them in the host program.
#pragma once

#include <ostream>

namespace cadentra_cli {

/// Builds the sample score, prints it, records the source, copies its rhythm onto a selection of
/// several staves, prints the score again and tells what happened to each layer. Answers the
/// process exit code (0 when COPY succeeded).
int RunDemo(std::ostream& out);

} // namespace cadentra_cli
