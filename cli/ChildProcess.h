// Running another program: found on PATH, started with its arguments as they are (no shell in
// between), its output kept in a file.
#pragma once

#include <string>
#include <vector>

namespace cadentra_cli {

/// The first file `name` on PATH that may be run (an empty entry is the current folder); empty
/// where there is none.
std::string FindOnPath(const std::string& name);

/// Runs `arguments` (the program first, by its path) with standard input from /dev/null and
/// standard output and error into the file `log`, and waits for it. Answers its exit code, or
/// 128 plus the signal that ended it. Throws InputError where it cannot be started.
int RunProgram(const std::vector<std::string>& arguments, const std::string& log);

} // namespace cadentra_cli
