// How the settings file is kept on disk. The file may be a symbolic link (to a copy kept with the
// user's other settings): it is read, kept aside and written where the link points, and the link
// stays as it is.
#pragma once

#include <optional>
#include <string>

namespace platform::registry {

// The file that `path` names once symbolic links are followed; a link to a missing file names
// that file. A link that cannot be followed (a loop) is named as it is.
std::string LinkTarget(const std::string& path);

// Moves the file out of the way under the first free name of path.bad, path.bad.1, path.bad.2,
// ...: a file kept before is never replaced. The name it got, or nullopt (errno says why).
std::optional<std::string> KeepAside(const std::string& path);

// Replaces the contents of the file `path` names at once (a new file renamed over it), keeping its
// permission bits and, where allowed, its group; a new file gets 0666 less the umask. Missing
// folders above it are made (0700).
bool ReplaceContents(const std::string& path, const std::string& text);

}  // namespace platform::registry
