// Writing a file so that it is never seen half-written: the bytes go to a temporary file in the
// same folder, which then replaces the target in one rename.
#pragma once

#include <string>

namespace cadentra_cli {

/// Writes `bytes` to `path` through a temporary file and a rename. An existing target keeps its
/// permissions. Throws InputError naming the file and the problem; the target is then unchanged.
void WriteFileAtomically(const std::string& path, const std::string& bytes);

} // namespace cadentra_cli
