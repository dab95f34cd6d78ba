#include "hostsim/emulator/version_info.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace emulator {

namespace {

const char* const kStringNames[] = {"FileDescription", "FileVersion",      "ProductName",
                                    "ProductVersion",  "InternalName",     "OriginalFilename",
                                    "CompanyName",     "LegalCopyright"};

std::wstring Wide(const char* ascii) {
    std::wstring out;
    for (const char* c = ascii; *c != 0; ++c) out += static_cast<wchar_t>(*c);
    return out;
}

}  // namespace

std::string DottedVersion(uint32_t ms, uint32_t ls) {
    return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." +
           std::to_string(ls >> 16) + "." + std::to_string(ls & 0xFFFF);
}

VersionInfo ReadVersionInfo(const std::wstring& path) {
    VersionInfo info;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return info;
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return info;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) &&
        fixed != nullptr && length >= sizeof(VS_FIXEDFILEINFO)) {
        info.found = true;
        info.fileVersionMS = fixed->dwFileVersionMS;
        info.fileVersionLS = fixed->dwFileVersionLS;
        info.productVersionMS = fixed->dwProductVersionMS;
        info.productVersionLS = fixed->dwProductVersionLS;
        info.fileType = fixed->dwFileType;
    }

    WORD* translation = nullptr;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
        translation == nullptr || length < 2 * sizeof(WORD))
        return info;
    char code[16];
    std::snprintf(code, sizeof code, "%04X%04X", translation[0], translation[1]);
    info.translation = code;

    for (const char* name : kStringNames) {
        std::wstring query = L"\\StringFileInfo\\" + Wide(code) + L"\\" + Wide(name);
        wchar_t* value = nullptr;
        if (VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value),
                           &length) &&
            value != nullptr) {
            // `length` counts characters, the terminator included when there is one.
            std::size_t units = 0;
            while (units < length && value[units] != 0) ++units;
            info.strings[name] = std::u16string(reinterpret_cast<const char16_t*>(value), units);
        }
    }
    return info;
}

}  // namespace emulator
