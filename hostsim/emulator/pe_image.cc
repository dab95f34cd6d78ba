#include "hostsim/emulator/pe_image.h"

#include <cstdio>
#include <cstring>
#include <optional>

namespace emulator {

namespace {

constexpr std::size_t kMaxNames = 4096;
constexpr std::size_t kMaxNameLength = 512;

class Reader {
public:
    explicit Reader(const std::vector<unsigned char>& file) : file_(file) {}

    template <typename T>
    std::optional<T> At(uint64_t offset) const {
        if (offset > file_.size() || file_.size() - offset < sizeof(T)) return std::nullopt;
        T value;
        std::memcpy(&value, file_.data() + offset, sizeof value);
        return value;
    }

    std::optional<std::string> String(uint64_t offset) const {
        std::string text;
        for (uint64_t i = offset; i < file_.size() && text.size() < kMaxNameLength; ++i) {
            if (file_[i] == 0) return text;
            text += static_cast<char>(file_[i]);
        }
        return std::nullopt;
    }

private:
    const std::vector<unsigned char>& file_;
};

struct Section {
    uint32_t virtualAddress;
    uint32_t virtualSize;
    uint32_t rawOffset;
    uint32_t rawSize;
};

// File offset of a relative virtual address, through the section table.
std::optional<uint64_t> FileOffset(const std::vector<Section>& sections, uint32_t rva) {
    for (const Section& s : sections) {
        uint32_t span = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
        if (rva >= s.virtualAddress && rva - s.virtualAddress < span) {
            if (rva - s.virtualAddress >= s.rawSize) return std::nullopt;
            return uint64_t{s.rawOffset} + (rva - s.virtualAddress);
        }
    }
    return std::nullopt;
}

PeImage Invalid(PeImage image, const char* why) {
    image.valid = false;
    image.error = why;
    return image;
}

bool ReadExports(const Reader& r, const std::vector<Section>& sections, uint32_t rva,
                 PeImage& image) {
    std::optional<uint64_t> dir = FileOffset(sections, rva);
    if (!dir) return false;
    auto nameRva = r.At<uint32_t>(*dir + 12);
    auto functionCount = r.At<uint32_t>(*dir + 20);
    auto nameCount = r.At<uint32_t>(*dir + 24);
    auto namesRva = r.At<uint32_t>(*dir + 32);
    if (!nameRva || !functionCount || !nameCount || !namesRva || *nameCount > kMaxNames)
        return false;
    image.exportFunctionCount = *functionCount;
    if (auto offset = FileOffset(sections, *nameRva))
        image.exportDllName = r.String(*offset).value_or("");
    std::optional<uint64_t> names = FileOffset(sections, *namesRva);
    if (*nameCount > 0 && !names) return false;
    for (uint32_t i = 0; i < *nameCount; ++i) {
        auto entry = r.At<uint32_t>(*names + 4ull * i);
        if (!entry) return false;
        std::optional<uint64_t> offset = FileOffset(sections, *entry);
        if (!offset) return false;
        std::optional<std::string> name = r.String(*offset);
        if (!name) return false;
        image.exportNames.push_back(*name);
    }
    return true;
}

bool ReadImports(const Reader& r, const std::vector<Section>& sections, uint32_t rva,
                 PeImage& image) {
    std::optional<uint64_t> dir = FileOffset(sections, rva);
    if (!dir) return false;
    // One 20-byte descriptor per DLL, closed by an all-zero one.
    for (std::size_t i = 0; i < kMaxNames; ++i) {
        auto nameRva = r.At<uint32_t>(*dir + 20ull * i + 12);
        auto thunks = r.At<uint32_t>(*dir + 20ull * i + 16);
        if (!nameRva || !thunks) return false;
        if (*nameRva == 0 && *thunks == 0) return true;
        std::optional<uint64_t> offset = FileOffset(sections, *nameRva);
        if (!offset) return false;
        std::optional<std::string> name = r.String(*offset);
        if (!name) return false;
        image.importDlls.push_back(*name);
    }
    return false;
}

}  // namespace

PeImage ParsePeImage(const std::vector<unsigned char>& file) {
    PeImage image;
    Reader r(file);
    if (r.At<uint16_t>(0) != uint16_t{0x5A4D}) return Invalid(image, "no MZ header");
    auto peOffset = r.At<uint32_t>(0x3C);
    if (!peOffset || r.At<uint32_t>(*peOffset) != uint32_t{0x00004550})
        return Invalid(image, "no PE signature");
    const uint64_t coff = uint64_t{*peOffset} + 4;
    auto machine = r.At<uint16_t>(coff);
    auto sectionCount = r.At<uint16_t>(coff + 2);
    auto optionalSize = r.At<uint16_t>(coff + 16);
    auto characteristics = r.At<uint16_t>(coff + 18);
    if (!machine || !sectionCount || !optionalSize || !characteristics)
        return Invalid(image, "truncated COFF header");
    image.machine = *machine;
    image.characteristics = *characteristics;
    const uint64_t optional = coff + 20;
    image.optionalMagic = r.At<uint16_t>(optional).value_or(0);
    if (image.optionalMagic != 0x20B) return Invalid(image, "not a PE32+ image");
    // PE32+: NumberOfRvaAndSizes at 108, data directories from 112 (8 bytes each).
    auto directoryCount = r.At<uint32_t>(optional + 108);
    if (!directoryCount || *directoryCount < 2) return Invalid(image, "no data directories");
    auto exportRva = r.At<uint32_t>(optional + 112);
    auto importRva = r.At<uint32_t>(optional + 120);
    if (!exportRva || !importRva) return Invalid(image, "truncated data directories");

    std::vector<Section> sections;
    const uint64_t table = optional + *optionalSize;
    for (uint16_t i = 0; i < *sectionCount; ++i) {
        const uint64_t at = table + 40ull * i;
        auto vsize = r.At<uint32_t>(at + 8);
        auto vaddr = r.At<uint32_t>(at + 12);
        auto rsize = r.At<uint32_t>(at + 16);
        auto roffset = r.At<uint32_t>(at + 20);
        if (!vsize || !vaddr || !rsize || !roffset) return Invalid(image, "truncated sections");
        sections.push_back({*vaddr, *vsize, *roffset, *rsize});
    }
    if (*exportRva != 0 && !ReadExports(r, sections, *exportRva, image))
        return Invalid(image, "malformed export directory");
    if (*importRva != 0 && !ReadImports(r, sections, *importRva, image))
        return Invalid(image, "malformed import directory");
    image.valid = true;
    return image;
}

PeImage ReadPeImage(const std::wstring& path) {
    std::vector<unsigned char> file;
    FILE* stream = _wfopen(path.c_str(), L"rb");
    if (stream == nullptr) return Invalid(PeImage{}, "cannot open the file");
    unsigned char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stream)) > 0 &&
           file.size() < (std::size_t{64} << 20))
        file.insert(file.end(), buffer, buffer + got);
    std::fclose(stream);
    return ParsePeImage(file);
}

}  // namespace emulator
