// The DLL as a file: what the host's loader and the Windows shell read from it before any
// export runs.
#include <windows.h>

#include <algorithm>
#include <cctype>

#include "e2e_support.h"
#include "hostsim/emulator/pe_image.h"
#include "hostsim/emulator/printable.h"
#include "hostsim/emulator/version_info.h"

namespace {

using emulator::Hex;
using emulator::Quoted;
using emulator::Widen;

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
    return out.empty() ? "none" : out;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A DLL that needs nothing installed imports only from Windows itself.
bool IsSystemDll(const std::string& name) {
    const std::string n = Lower(name);
    return n == "kernel32.dll" || n == "msvcrt.dll" || n == "user32.dll" ||
           n.rfind("api-ms-win-", 0) == 0;
}

}  // namespace

QZ_SCENARIO(export_table, FINALE, "") {
    emulator::PeImage image = emulator::ReadPeImage(session.pluginPath);
    if (!session.checks.Expect(image.valid, "the file parses as a PE image",
                               image.valid ? "yes" : image.error))
        return;
    session.checks.ExpectEqualHex("machine is x86-64", image.machine, 0x8664);
    session.checks.ExpectEqualHex("PE32+ optional header", image.optionalMagic, 0x20B);
    session.checks.Expect((image.characteristics & 0x2000) != 0, "the image is a DLL",
                          Hex(image.characteristics, 4));
    session.checks.ExpectEqual("export directory names the library", image.exportDllName,
                               "qzmotifgraft64.fxt");

    std::vector<std::string> expected = emulator::ExportNames();
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> names = image.exportNames;
    std::sort(names.begin(), names.end());
    session.checks.Expect(names == expected, "exactly the seven names are exported",
                          Joined(image.exportNames));
    session.checks.ExpectEqual("exported functions, ordinal-only ones included",
                               image.exportFunctionCount, 7);
}

QZ_SCENARIO(dll_imports, FINALE, "") {
    emulator::PeImage image = emulator::ReadPeImage(session.pluginPath);
    if (!session.checks.Expect(image.valid, "the file parses as a PE image",
                               image.valid ? "yes" : image.error))
        return;
    std::vector<std::string> foreign;
    for (const std::string& dll : image.importDlls)
        if (!IsSystemDll(dll)) foreign.push_back(dll);
    session.checks.Expect(foreign.empty(),
                          "imports only from system DLLs (the runtime is linked in)",
                          Joined(image.importDlls));
    bool user32 = std::any_of(image.importDlls.begin(), image.importDlls.end(),
                              [](const std::string& d) { return Lower(d) == "user32.dll"; });
    session.checks.Expect(user32, "USER32.dll is imported (message boxes)",
                          user32 ? "yes" : "no");
}

QZ_SCENARIO(version_resource, FINALE, "") {
    emulator::VersionInfo info = emulator::ReadVersionInfo(session.pluginPath);
    if (!session.checks.Expect(info.found, "GetFileVersionInfoW finds a version resource",
                               info.found ? "yes" : "no"))
        return;
    session.checks.ExpectEqual("file version",
                               emulator::DottedVersion(info.fileVersionMS, info.fileVersionLS),
                               "1.0.5.0");
    session.checks.ExpectEqual(
        "product version", emulator::DottedVersion(info.productVersionMS, info.productVersionLS),
        "1.0.5.0");
    session.checks.ExpectEqual("file type is a DLL", info.fileType, VFT_DLL);
    session.checks.Expect(!info.translation.empty(), "the resource lists a translation",
                          info.translation);
    const std::pair<const char*, const char*> strings[] = {
        {"FileDescription", "QZ Motifgraft plug-in for Finale(R)"},
        {"ProductName", "QZ Motifgraft"},
        {"FileVersion", "1,0,5,0"},
        {"ProductVersion", "1,0,5,0"}};
    for (const auto& [name, value] : strings) {
        auto found = info.strings.find(name);
        std::u16string actual = found == info.strings.end() ? u"(missing)" : found->second;
        session.checks.ExpectEqual(std::string("string ") + name, actual, Widen(value));
    }
}
