// The generated artwork of the program's resources.
#pragma once

#include <string>

namespace resgen {

// Writes every picture and the alarm sound into the folder `dir`; throws std::runtime_error when a
// file cannot be written.
void WriteArt(const std::string& dir);

}  // namespace resgen
