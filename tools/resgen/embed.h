// The resource manifest and the C++ source generated from it.
//
// Manifest lines (res/resources.txt), '#' starts a comment line:
//   <id> <type> <file>        the file's bytes under the type: BITMAP, ICON, DIALOG or any other
//                             name kept as a string type (PNG, WAVE); a file beginning "art/" is
//                             one drawn by this tool, any other is relative to res/
//   <id> STRING "<text>"      an entry of the string table (UTF-8; escapes \" \\ \n)
// Dialog template files given apart (res/dialogs/*.dlg) are embedded as DIALOG under the id of
// their first statement, "dialog <id>".
#pragma once

#include <string>
#include <vector>

namespace resgen {

struct Resource {
    unsigned id;
    std::string type;
    std::string bytes;
};
struct StringResource {
    unsigned id;
    std::string text;
};
struct Manifest {
    std::vector<Resource> resources;
    std::vector<StringResource> strings;
};

// Throws std::runtime_error naming the file and line of a fault.
Manifest ReadManifest(const std::string& manifestPath, const std::string& resDir, const std::string& artDir);
void AddDialogs(Manifest& m, const std::vector<std::string>& dialogFiles);
// Throws when a type and id, or a string id, is listed twice.
std::string GenerateSource(const Manifest& m);

}  // namespace resgen
