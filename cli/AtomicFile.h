// Writing a file so that it is never seen half-written: the bytes go to a temporary file in the
// same folder, which then replaces the target in one rename.
#pragma once

#include <string>

namespace cadentra_cli {

/// The file that writing to `path` replaces: `path` itself, or, where `path` is a symbolic link,
/// the file the chain of links ends at (which may not exist yet), so that the links stay links.
/// Throws InputError naming `path` when the file there exists and is not a regular file (a
/// directory, a device, a named pipe, a socket), when the links go round in a circle, or when
/// the path cannot be examined. Nothing is changed.
std::string ResolveWriteTarget(const std::string& path);

/// Writes `bytes` to the file ResolveWriteTarget(path) names, through a temporary file beside
/// it and a rename. An existing file keeps its permission bits (and its owner where the process
/// may give it). Throws InputError naming the file and the problem; the file is then unchanged
/// and no temporary file is left.
void WriteFileAtomically(const std::string& path, const std::string& bytes);

} // namespace cadentra_cli
