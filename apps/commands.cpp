// The table of commands; each command lives in its own cmd_*.cpp.
#include <cstdlib>

#include "cli.h"

namespace cli {

int runVersion(const Args&);
int runFindc(const Args&);
int runSplit(const Args&);
int runTr(const Args&);

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"version", "version", "print the library's version record", "", runVersion},
        {"findc", "findc [--last|--all] UNIT [FILE]", "find a byte in FILE or standard input and print its offset",
         "Prints the offset of the first occurrence (--last: the last; --all: every one, one a line).\n"
         "UNIT is one character, an escape (\\n \\t \\r \\0 \\\\ \\xHH), 0xHH, or #DECIMAL.\n"
         "Exit status: 0 found, 1 not found, 2 error.",
         runFindc},
        {"split", "split -d CHAR [FILE]", "print the pieces of FILE or standard input cut at CHAR, one a line",
         "CHAR is one character, an escape (\\n \\t \\r \\0 \\\\ \\xHH), 0xHH, or #DECIMAL.\n"
         "Two adjacent CHARs give an empty piece; a CHAR that ends the input starts no piece after it.\n"
         "The input is split 4 KiB at a time into 256 slots of 4 KiB; longer pieces come out whole.",
         runSplit},
        {"tr", "tr OLD NEW [FILE]", "copy FILE or standard input to standard output with every byte OLD made NEW",
         "OLD and NEW are each one character, an escape (\\n \\t \\r \\0 \\\\ \\xHH), 0xHH, or #DECIMAL.",
         runTr},
    };
    return table;
}

const Command& commandNamed(std::string_view name) {
    for (const auto& c : commands())
        if (name == c.name) return c;
    std::abort();
}

}  // namespace cli
