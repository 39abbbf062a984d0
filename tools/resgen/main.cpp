// resgen art <dir>                                    draws the pictures and the alarm sound
// resgen embed <manifest> <res dir> <art dir> <out.cpp> [dialog files...]
//                                                     writes the resource table source
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/resgen/art.h"
#include "tools/resgen/embed.h"

int main(int argc, char** argv)
{
    try {
        std::string command = argc > 1 ? argv[1] : "";
        if (command == "art" && argc == 3) {
            resgen::WriteArt(argv[2]);
            return 0;
        }
        if (command == "embed" && argc >= 6) {
            resgen::Manifest m = resgen::ReadManifest(argv[2], argv[3], argv[4]);
            resgen::AddDialogs(m, std::vector<std::string>(argv + 6, argv + argc));
            std::string source = resgen::GenerateSource(m);
            std::string out = argv[5];
            // Written aside and renamed, so that an interrupted run never leaves half a table.
            std::ofstream file(out + ".tmp", std::ios::binary);
            file << source;
            file.close();
            if (!file || std::rename((out + ".tmp").c_str(), out.c_str()) != 0)
                throw std::runtime_error("cannot write " + out);
            return 0;
        }
        std::fprintf(stderr, "usage: resgen art <dir> | resgen embed <manifest> <res dir> <art dir> <out.cpp> [dialogs...]\n");
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "resgen: %s\n", e.what());
        return 1;
    }
}
