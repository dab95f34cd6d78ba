// Reading a PE file (the .fxt) as bytes: its header facts, export names and imported DLLs.
//
// Independent of the Windows loader, so that what the host would find is checked from the file
// itself. Every offset read from the file is bounds-checked; a malformed file yields an error
// text instead of a crash.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace emulator {

struct PeImage {
    bool valid = false;
    std::string error;                  // why `valid` is false
    uint16_t machine = 0;               // IMAGE_FILE_MACHINE_AMD64 = 0x8664
    uint16_t characteristics = 0;       // IMAGE_FILE_DLL = 0x2000
    uint16_t optionalMagic = 0;         // 0x20B for PE32+
    std::string exportDllName;          // the name in the export directory
    uint32_t exportFunctionCount = 0;   // NumberOfFunctions (ordinals included)
    std::vector<std::string> exportNames;
    std::vector<std::string> importDlls;
};

// Reads the file at `path` (UTF-16 path, opened with _wfopen).
PeImage ReadPeImage(const std::wstring& path);

// Parses an image already in memory.
PeImage ParsePeImage(const std::vector<unsigned char>& file);

}  // namespace emulator
