// The table of commands; each command lives in its own cmd_*.cpp.
#include <cstdlib>

#include "cli.h"

namespace cli {

int runVersion(const Args&);
int runFindc(const Args&);
int runRegex(const Args&);

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"version", "version", "print the library's version record", "", runVersion},
        {"findc", "findc [--last|--all] UNIT [FILE]", "find a byte in FILE or standard input and print its offset",
         "Prints the offset of the first occurrence (--last: the last; --all: every one, one a line).\n"
         "UNIT is one character, an escape (\\n \\t \\r \\0 \\\\ \\xHH), 0xHH, or #DECIMAL.\n"
         "Exit status: 0 found, 1 not found, 2 error.",
         runFindc},
        {"regex", "regex --explain [--options LETTERS] [--] PATTERN",
         "compile a regular expression and list its node program",
         "Prints a header line (node count, groups, required literal, pattern kind, options) and one\n"
         "line per node: index, type, operands. LETTERS are option letters from gimsx.\n"
         "Exit status: 0 compiled, 1 pattern rejected (status and offset on stderr), 2 usage error.",
         runRegex},
    };
    return table;
}

const Command& commandNamed(std::string_view name) {
    for (const auto& c : commands())
        if (name == c.name) return c;
    std::abort();
}

}  // namespace cli
