// Reads the dynamic symbol table of libzetch.so from its file and checks that it exports nothing
// but the 90 functions of the public header, and all of them.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

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

// Defined global and weak symbols of the file's .dynsym, with their addresses.
std::map<std::string, Elf64_Addr> definedDynamicSymbols(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::map<std::string, Elf64_Addr> out;
    if (file.size() < sizeof(Elf64_Ehdr)) return out;
    Elf64_Ehdr eh;
    std::memcpy(&eh, file.data(), sizeof eh);
    if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64) return out;
    auto section = [&](std::size_t i) {
        Elf64_Shdr sh;
        std::memcpy(&sh, file.data() + eh.e_shoff + i * eh.e_shentsize, sizeof sh);
        return sh;
    };
    for (std::size_t i = 0; i < eh.e_shnum; ++i) {
        const Elf64_Shdr sh = section(i);
        if (sh.sh_type != SHT_DYNSYM) continue;
        const Elf64_Shdr strtab = section(sh.sh_link);
        for (std::size_t k = 1; k < sh.sh_size / sizeof(Elf64_Sym); ++k) {
            Elf64_Sym sym;
            std::memcpy(&sym, file.data() + sh.sh_offset + k * sizeof sym, sizeof sym);
            const int bind = ELF64_ST_BIND(sym.st_info);
            if (sym.st_shndx == SHN_UNDEF || (bind != STB_GLOBAL && bind != STB_WEAK)) continue;
            out[file.data() + strtab.sh_offset + sym.st_name] = sym.st_value;
        }
    }
    return out;
}

}  // namespace

TEST(Exports, OnlyThePublicNamesAreExported) {
    const std::set<std::string> allowed = publicNames();
    ASSERT_EQ(allowed.size(), 90u) << "functions declared in zetch.h";

    const auto symbols = definedDynamicSymbols(ZETCH_SHARED_LIBRARY);
    ASSERT_FALSE(symbols.empty()) << "no dynamic symbols read from " << ZETCH_SHARED_LIBRARY;
    for (const auto& [name, addr] : symbols) EXPECT_TRUE(allowed.count(name)) << "exported but not public: " << name;
    for (const auto& name : allowed) EXPECT_TRUE(symbols.count(name)) << "public but not exported: " << name;

    // The two release functions are one routine.
    ASSERT_TRUE(symbols.count("zetsRegExpFree") && symbols.count("zetsRegExpMultiFree"));
    EXPECT_EQ(symbols.at("zetsRegExpFree"), symbols.at("zetsRegExpMultiFree"));
}
