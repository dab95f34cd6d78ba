// The version resource of a file, as Windows reports it (GetFileVersionInfoW / VerQueryValueW).
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace emulator {

struct VersionInfo {
    bool found = false;
    uint32_t fileVersionMS = 0, fileVersionLS = 0;
    uint32_t productVersionMS = 0, productVersionLS = 0;
    uint32_t fileType = 0;
    std::string translation;                      // "040904B0"
    std::map<std::string, std::u16string> strings;  // StringFileInfo values by name
};

// The fixed part, and the usual string values of the first translation the resource lists.
// `found` is false when the file has no version resource.
VersionInfo ReadVersionInfo(const std::wstring& path);

// "1.0.5.0" from the two 32-bit halves.
std::string DottedVersion(uint32_t mostSignificant, uint32_t leastSignificant);

}  // namespace emulator
