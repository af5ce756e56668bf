// Reads the dynamic symbol table of libzetch.so from its file and checks that it exports nothing
// but the library's 90 public names.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const kPublicNames[] = {
    "zetchGetLibVersion",
    "zetsCompare_8u", "zetsCompare_16u", "zetsCompareIgnoreCaseLatin_8u", "zetsCompareIgnoreCaseLatin_16u",
    "zetsCompareIgnoreCase_16u", "zetsEqual_8u", "zetsEqual_16u",
    "zetsFind_8u", "zetsFind_16u", "zetsFindRev_8u", "zetsFindRev_16u", "zetsFind_Z_8u", "zetsFind_Z_16u",
    "zetsFindC_8u", "zetsFindC_16u", "zetsFindRevC_8u", "zetsFindRevC_16u", "zetsFindC_Z_8u", "zetsFindC_Z_16u",
    "zetsFindCAny_8u", "zetsFindCAny_16u", "zetsFindRevCAny_8u", "zetsFindRevCAny_16u",
    "zetsInsert_8u", "zetsInsert_16u", "zetsInsert_8u_I", "zetsInsert_16u_I", "zetsRemove_8u", "zetsRemove_16u",
    "zetsRemove_8u_I", "zetsRemove_16u_I", "zetsConcat_8u", "zetsConcat_16u",
    "zetsConcat_8u_D2L", "zetsConcat_16u_D2L", "zetsConcatC_8u_D2L", "zetsConcatC_16u_D2L",
    "zetsSplitC_8u_D2L", "zetsSplitC_16u_D2L",
    "zetsReplaceC_8u", "zetsReplaceC_16u",
    "zetsTrimC_8u", "zetsTrimC_16u", "zetsTrimC_8u_I", "zetsTrimC_16u_I", "zetsTrimCAny_8u", "zetsTrimCAny_16u",
    "zetsTrimStartCAny_8u", "zetsTrimStartCAny_16u", "zetsTrimEndCAny_8u", "zetsTrimEndCAny_16u",
    "zetsUppercaseLatin_8u", "zetsUppercaseLatin_16u", "zetsUppercaseLatin_8u_I", "zetsUppercaseLatin_16u_I",
    "zetsLowercaseLatin_8u", "zetsLowercaseLatin_16u", "zetsLowercaseLatin_8u_I", "zetsLowercaseLatin_16u_I",
    "zetsUppercase_16u", "zetsUppercase_16u_I", "zetsLowercase_16u", "zetsLowercase_16u_I",
    "zetsConvertUTF_8u16u", "zetsConvertUTF_16u8u",
    "zetsHash_8u32u", "zetsHash_16u32u", "zetsHashSJ2_8u32u", "zetsHashSJ2_16u32u", "zetsHashMSCS_8u32u",
    "zetsHashMSCS_16u32u",
    "zetsRegExpGetSize", "zetsRegExpInit", "zetsRegExpInitAlloc", "zetsRegExpFree", "zetsRegExpSetMatchLimit",
    "zetsRegExpSetFormat",
    "zetsRegExpFind_8u",
    "zetsRegExpReplaceGetSize", "zetsRegExpReplaceInit", "zetsRegExpReplace_8u",
    "zetsRegExpMultiGetSize", "zetsRegExpMultiInit", "zetsRegExpMultiInitAlloc", "zetsRegExpMultiFree",
    "zetsRegExpMultiAdd", "zetsRegExpMultiModify", "zetsRegExpMultiDelete", "zetsRegExpMultiFind_8u",
};

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
    ASSERT_EQ(std::size(kPublicNames), 90u);
    const std::set<std::string> allowed(std::begin(kPublicNames), std::end(kPublicNames));
    ASSERT_EQ(allowed.size(), 90u);

    const auto symbols = definedDynamicSymbols(ZETCH_SHARED_LIBRARY);
    ASSERT_FALSE(symbols.empty()) << "no dynamic symbols read from " << ZETCH_SHARED_LIBRARY;
    int present = 0;
    for (const auto& [name, addr] : symbols) {
        EXPECT_TRUE(allowed.count(name)) << "exported but not public: " << name;
        present += allowed.count(name) ? 1 : 0;
    }
    RecordProperty("public_names_exported", present);
    std::printf("libzetch.so exports %d of the 90 public names\n", present);
    EXPECT_GE(present, 1);

    // The two release functions are one routine.
    ASSERT_TRUE(symbols.count("zetsRegExpFree") && symbols.count("zetsRegExpMultiFree"));
    EXPECT_EQ(symbols.at("zetsRegExpFree"), symbols.at("zetsRegExpMultiFree"));
}
