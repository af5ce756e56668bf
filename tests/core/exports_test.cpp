// Checks that the shared library exports nothing but the 90 functions of the public header, and
// all of them. On Linux it reads libzetch.so's dynamic symbol table from its file (32- or 64-bit
// ELF); on Windows it loads zetch.dll and reads the export and import tables the loader sees,
// where the exports also carry ordinals 1..90 in ascending byte order of their names.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cctype>

#include "zetch.h"
#else
#include <elf.h>
#endif

namespace {

// The public names: every function the header declares with ZETCH_API.
std::set<std::string> publicNames() {
    std::ifstream in(std::string(ZETCH_SOURCE_DIR) + "/include/zetch.h");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::regex decl(R"(\nZETCH_API [^;(]*\b(\w+)\()");
    std::set<std::string> names;
    for (std::sregex_iterator it(text.begin(), text.end(), decl), end; it != end; ++it) names.insert((*it)[1]);
    return names;
}

#if defined(_WIN32)

// The loaded DLL's export directory, as the loader resolves names and ordinals through it.
struct PeExports {
    std::map<std::string, std::uintptr_t> address;  // by name
    std::map<std::string, DWORD> ordinal;           // by name
    DWORD functions = 0;                            // entries of the address table
    std::vector<std::string> imports;               // DLLs the image imports
};

PeExports readExports(HMODULE module) {
    PeExports out;
    const auto* base = reinterpret_cast<const unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& exportDir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const IMAGE_DATA_DIRECTORY& importDir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (exportDir.Size != 0) {
        const auto* dir = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + exportDir.VirtualAddress);
        const auto* names = reinterpret_cast<const DWORD*>(base + dir->AddressOfNames);
        const auto* indexes = reinterpret_cast<const WORD*>(base + dir->AddressOfNameOrdinals);
        const auto* functions = reinterpret_cast<const DWORD*>(base + dir->AddressOfFunctions);
        out.functions = dir->NumberOfFunctions;
        for (DWORD i = 0; i < dir->NumberOfNames; ++i) {
            const std::string name = reinterpret_cast<const char*>(base + names[i]);
            out.ordinal[name] = dir->Base + indexes[i];
            out.address[name] = reinterpret_cast<std::uintptr_t>(base + functions[indexes[i]]);
        }
    }
    if (importDir.Size != 0)
        for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + importDir.VirtualAddress); d->Name != 0; ++d)
            out.imports.emplace_back(reinterpret_cast<const char*>(base + d->Name));
    return out;
}

// zetch.dll, loaded from its own folder (where zetcore.dll lies) for the whole program. That
// search wants a full path with backslashes; the build names it from the root of the drive.
HMODULE load() {
    char path[MAX_PATH];
    const DWORD n = GetFullPathNameA(ZETCH_SHARED_LIBRARY, MAX_PATH, path, nullptr);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::replace(path, path + n, '/', '\\');
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE zetchDll() {
    static HMODULE module = load();
    return module;
}

std::map<std::string, std::uintptr_t> exportedSymbols() {
    return zetchDll() != nullptr ? readExports(zetchDll()).address : std::map<std::string, std::uintptr_t>{};
}

#else

template <class Ehdr, class Shdr, class Sym, class Addr>
std::map<std::string, Addr> elfDefinedSymbols(const std::vector<char>& file) {
    std::map<std::string, Addr> out;
    if (file.size() < sizeof(Ehdr)) return out;
    Ehdr eh;
    std::memcpy(&eh, file.data(), sizeof eh);
    auto section = [&](std::size_t i) {
        Shdr sh;
        std::memcpy(&sh, file.data() + eh.e_shoff + i * eh.e_shentsize, sizeof sh);
        return sh;
    };
    for (std::size_t i = 0; i < eh.e_shnum; ++i) {
        const Shdr sh = section(i);
        if (sh.sh_type != SHT_DYNSYM) continue;
        const Shdr strtab = section(sh.sh_link);
        for (std::size_t k = 1; k < sh.sh_size / sizeof(Sym); ++k) {
            Sym sym;
            std::memcpy(&sym, file.data() + sh.sh_offset + k * sizeof sym, sizeof sym);
            const int bind = sym.st_info >> 4;
            if (sym.st_shndx == SHN_UNDEF || (bind != STB_GLOBAL && bind != STB_WEAK)) continue;
            out[file.data() + strtab.sh_offset + sym.st_name] = sym.st_value;
        }
    }
    return out;
}

// Defined global and weak symbols of the library's .dynsym, with their addresses.
std::map<std::string, std::uintptr_t> exportedSymbols() {
    std::ifstream in(ZETCH_SHARED_LIBRARY, std::ios::binary);
    const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::map<std::string, std::uintptr_t> out;
    if (file.size() < EI_NIDENT || std::memcmp(file.data(), ELFMAG, SELFMAG) != 0) return out;
    if (file[EI_CLASS] == ELFCLASS64)
        for (const auto& [name, addr] : elfDefinedSymbols<Elf64_Ehdr, Elf64_Shdr, Elf64_Sym, Elf64_Addr>(file))
            out[name] = static_cast<std::uintptr_t>(addr);
    else if (file[EI_CLASS] == ELFCLASS32)
        for (const auto& [name, addr] : elfDefinedSymbols<Elf32_Ehdr, Elf32_Shdr, Elf32_Sym, Elf32_Addr>(file))
            out[name] = addr;
    return out;
}

#endif

}  // namespace

TEST(Exports, OnlyThePublicNamesAreExported) {
    const std::set<std::string> allowed = publicNames();
    ASSERT_EQ(allowed.size(), 90u) << "functions declared in zetch.h";

    const auto symbols = exportedSymbols();
    ASSERT_FALSE(symbols.empty()) << "no exports read from " << ZETCH_SHARED_LIBRARY;
    for (const auto& [name, addr] : symbols) EXPECT_TRUE(allowed.count(name)) << "exported but not public: " << name;
    for (const auto& name : allowed) EXPECT_TRUE(symbols.count(name)) << "public but not exported: " << name;

    // The two release functions are one routine.
    ASSERT_TRUE(symbols.count("zetsRegExpFree") && symbols.count("zetsRegExpMultiFree"));
    EXPECT_EQ(symbols.at("zetsRegExpFree"), symbols.at("zetsRegExpMultiFree"));
}

#if defined(_WIN32)

// Ordinal n is the n-th name in ascending byte order, and the loader resolves either to the same
// entry: a program that imports by ordinal reaches what one importing by name reaches.
TEST(Exports, OrdinalsFollowTheNamesInByteOrder) {
    HMODULE dll = zetchDll();
    ASSERT_NE(dll, nullptr) << "cannot load " << ZETCH_SHARED_LIBRARY << " (error " << GetLastError() << ")";
    const PeExports table = readExports(dll);
    EXPECT_EQ(table.functions, table.ordinal.size()) << "address-table entries without a name";
    DWORD expected = 1;
    for (const auto& [name, ordinal] : table.ordinal) {  // std::map orders names by byte value
        EXPECT_EQ(ordinal, expected) << name;
        const auto byName = reinterpret_cast<std::uintptr_t>(GetProcAddress(dll, name.c_str()));
        const auto byOrdinal = reinterpret_cast<std::uintptr_t>(GetProcAddress(dll, MAKEINTRESOURCEA(expected)));
        EXPECT_TRUE(byName != 0 && byName == byOrdinal) << name << " and ordinal " << expected;
        ++expected;
    }
    EXPECT_EQ(GetProcAddress(dll, MAKEINTRESOURCEA(expected)), nullptr) << "an ordinal past the last name";

    // The loaded DLL works: its version record through the ordinal of zetchGetLibVersion (1).
    FARPROC first = GetProcAddress(dll, MAKEINTRESOURCEA(1));
    const auto version = reinterpret_cast<const LibraryVersion* (*)()>(reinterpret_cast<void*>(first));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version()->major, 7);
    EXPECT_EQ(std::string(version()->version), "7.1.0 (r36264)");
}

// The DLL needs nothing beyond the core library, the C runtime and the OpenMP runtime.
TEST(Exports, ImportsOnlyTheCoreCAndOpenMpRuntimes) {
    HMODULE dll = zetchDll();
    ASSERT_NE(dll, nullptr);
    const std::set<std::string> allowed = {"zetcore.dll", "libgomp-1.dll", "kernel32.dll", "msvcrt.dll"};
    const std::vector<std::string> imports = readExports(dll).imports;
    EXPECT_TRUE(std::find(imports.begin(), imports.end(), "zetcore.dll") != imports.end());
    for (std::string dll : imports) {
        std::transform(dll.begin(), dll.end(), dll.begin(), [](unsigned char c) { return std::tolower(c); });
        EXPECT_TRUE(allowed.count(dll) || dll.rfind("api-ms-win-crt-", 0) == 0) << "imports " << dll;
    }
}

#endif
