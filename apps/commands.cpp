// The table of commands; each command lives in its own cmd_*.cpp.
#include <cstdlib>

#include "cli.h"

namespace cli {

int runVersion(const Args&);
int runFindc(const Args&);
int runConvert(const Args&);
int runHash(const Args&);

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"version", "version", "print the library's version record", "", runVersion},
        {"findc", "findc [--last|--all] UNIT [FILE]", "find a byte in FILE or standard input and print its offset",
         "Prints the offset of the first occurrence (--last: the last; --all: every one, one a line).\n"
         "UNIT is one character, an escape (\\n \\t \\r \\0 \\\\ \\xHH), 0xHH, or #DECIMAL.\n"
         "Exit status: 0 found, 1 not found, 2 error.",
         runFindc},
        {"convert", "convert --to utf16le|utf16be|utf8 [--from utf8|utf16le|utf16be] [FILE]",
         "convert FILE or standard input between UTF-8 and UTF-16",
         "Input is UTF-8 for the UTF-16 targets and UTF-16LE for utf8 unless --from says otherwise.\n"
         "Nothing is rejected: a malformed UTF-8 byte becomes the code unit of the same value, and a\n"
         "surrogate that is not half of a pair travels as its own three-byte sequence.\n"
         "Exit status: 0 done, 2 error.",
         runConvert},
        {"hash", "hash [--rule shift|sj2|mscs] [FILE]", "print the 32-bit hash of FILE or standard input",
         "shift (default): h = (h << 1) ^ byte from 0; sj2: h = h * 31 + byte from 0;\n"
         "mscs: h = (h * 33) ^ byte from 5381, up to the first zero byte. Printed in decimal.",
         runHash},
    };
    return table;
}

const Command& commandNamed(std::string_view name) {
    for (const auto& c : commands())
        if (name == c.name) return c;
    std::abort();
}

}  // namespace cli
