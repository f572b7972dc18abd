#pragma once

#include "BenchFiles.h"
#include "app/FixedNames.h"

#include <cstdio>

namespace kelvarin::bench {

// A stage folder of `files` daily files named as the stages name them, made
// in no particular order, with a marker and a file of another kind among
// them; kept when it is already there.
inline void MakeListFolder(const std::string& folder, int files) {
    MakeFolder(folder);
    if (static_cast<int>(FilesIn(folder).size()) == files + 2)
        return;
    EmptyFolder(folder);
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "SGX%08d.dat", 19900101 + (i * 7919) % 1000000);
        WriteWhole(folder + "/" + name, "");
    }
    WriteWhole(folder + "/" + std::string(AutoUnzipMarker), "SGX19900101.zip");
    WriteWhole(folder + "/notes.txt", "");
    if (static_cast<int>(FilesIn(folder).size()) != files + 2)
        Fail("names collided");
}

} // namespace kelvarin::bench
