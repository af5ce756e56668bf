// The table of commands; each command lives in its own cmd_*.cpp.
#include <cstdlib>

#include "cli.h"

namespace cli {

int runVersion(const Args&, Context&);
int runFindc(const Args&, Context&);
int runFind(const Args&, Context&);
int runCase(const Args&, Context&);
int runTrim(const Args&, Context&);
int runSplit(const Args&, Context&);
int runTr(const Args&, Context&);
int runConvert(const Args&, Context&);
int runHash(const Args&, Context&);
int runRegex(const Args&, Context&);
int runGrep(const Args&, Context&);
int runReplace(const Args&, Context&);

// Said by every command that reads input.
#define ZETCH_INPUT_HELP \
    "FILE absent or \"-\": standard input. \"--\" ends the options (for operands that begin with '-').\n"

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"version", "version", "print the library's version record and the tool's build",
         "The first line is the library's version record as it stands (its date is the library's);\n"
         "the second the date and commit this zetch tool was built from.",
         runVersion},
        {"findc", "findc [--last|--all] [--] UNIT [FILE]", "find a byte in FILE or standard input and print its offset",
         "Prints the offset of the first occurrence (--last: the last; --all: every one, one a line).\n"
         "UNIT is one character, an escape (\\n \\t \\r \\0 \\\\ \\xHH), 0xHH, or #DECIMAL.\n" ZETCH_INPUT_HELP
         "Exit status: 0 found, 1 not found, 2 error.",
         runFindc},
        {"find", "find [--last] [--any] [--] NEEDLE|SET [FILE]", "find a string, or any byte of a set, and print the offsets",
         "Prints the offset of every occurrence of NEEDLE in FILE or standard input, overlapping ones\n"
         "included, one a line (--last: only the last one). NEEDLE is matched byte for byte as given\n"
         "and must not be empty.\n"
         "With --any the operand is a SET of bytes, written as for trim, and every byte of the input\n"
         "that belongs to it is reported.\n" ZETCH_INPUT_HELP
         "Exit status: 0 found, 1 not found, 2 error.",
         runFind},
        {"case", "case --upper|--lower [--latin] [FILE]", "convert the case of FILE or standard input to stdout",
         "Without --latin the input is UTF-16LE text and every 16-bit unit gets its simple Unicode\n"
         "upper or lower case (one unit for one unit; surrogates and a last odd byte pass unchanged).\n"
         "With --latin the input is bytes and only the ASCII letters A-Z and a-z change.\n" ZETCH_INPUT_HELP
         "Exit status: 0 done, 2 error.",
         runCase},
        {"trim", "trim [--start|--end] [--] SET [FILE]", "trim the bytes of SET from both ends of every line",
         "Copies FILE or standard input with every line trimmed: bytes of SET are removed from both ends\n"
         "(--start: the start only; --end: the end only). The '\\n' that ends a line is kept.\n"
         "SET lists its bytes (at least one): every character stands for itself, except the escapes\n"
         "\\n \\t \\r \\0 \\\\ and \\xHH (two hex digits); for example ' \\t\\r'.\n" ZETCH_INPUT_HELP
         "Exit status: 0 done, 2 error.",
         runTrim},
        {"split", "split -d CHAR [FILE]", "print the pieces of FILE or standard input cut at CHAR, one a line",
         "CHAR is one character, an escape (\\n \\t \\r \\0 \\\\ \\xHH), 0xHH, or #DECIMAL.\n"
         "Two adjacent CHARs give an empty piece; a CHAR that ends the input starts no piece after it.\n"
         "The input is split 4 KiB at a time into 256 slots of 4 KiB; longer pieces come out whole.\n" ZETCH_INPUT_HELP
         "Exit status: 0 done, 2 error.",
         runSplit},
        {"tr", "tr [--] OLD NEW [FILE]", "copy FILE or standard input to standard output with every byte OLD made NEW",
         "OLD and NEW are each one character, an escape (\\n \\t \\r \\0 \\\\ \\xHH), 0xHH, or #DECIMAL.\n" ZETCH_INPUT_HELP
         "Exit status: 0 done, 2 error.",
         runTr},
        {"convert", "convert --to utf16le|utf16be|utf8 [--from utf8|utf16le|utf16be] [FILE]",
         "convert FILE or standard input between UTF-8 and UTF-16",
         "Input is UTF-8 for the UTF-16 targets and UTF-16LE for utf8 unless --from says otherwise.\n"
         "Nothing is rejected: a malformed UTF-8 byte becomes the code unit of the same value, and a\n"
         "surrogate that is not half of a pair travels as its own three-byte sequence. A UTF-16 input\n"
         "of odd length is converted but for its last byte, and the exit status is 2.\n" ZETCH_INPUT_HELP
         "Exit status: 0 done, 2 error.",
         runConvert},
        {"hash", "hash [--rule shift|sj2|mscs] [FILE]", "print the 32-bit hash of FILE or standard input",
         "shift (default): h = (h << 1) ^ byte from 0; sj2: h = h * 31 + byte from 0;\n"
         "mscs: h = (h * 33) ^ byte from 5381, up to the first zero byte (reading stops there; at most\n"
         "1 GiB before it). Printed in decimal.\n" ZETCH_INPUT_HELP
         "Exit status: 0 done, 2 error.",
         runHash},
        {"regex", "regex --explain|--test [--options LETTERS] [--] PATTERN [SUBJECT]",
         "compile a regular expression and list its node program, or show its matches in SUBJECT",
         "--explain prints a header line (node count, groups, required literal, pattern kind,\n"
         "options) and one line per node: index, type, operands.\n"
         "--test prints the first match in SUBJECT (with g every match) and each of its groups:\n"
         "\"match 1: OFFSET,LENGTH \"TEXT\"\", then \"  group N: ...\" or \"  group N: unset\".\n"
         "LETTERS are option letters from gimsx.\n"
         "Exit status: 0 compiled (--test: matched), 1 pattern rejected (status and offset on stderr)\n"
         "or no match, 2 usage error (an unknown option letter included).",
         runRegex},
        {"grep", "grep [-i] [-v] [-c] [-n] [-b] [-o] [OPTIONS] [--] (PATTERN | -e PATTERN... | -f FILE) [FILE...]",
         "print the lines of the FILEs or standard input that a regular expression matches",
         "Each line (without its '\\n') is one subject: ^ and $ are its start and end. -i ignores case,\n"
         "-v selects the lines that do not match, -c prints only their count, -n puts the line number\n"
         "and -b the byte offset before each line (\"N:\"), -o prints every non-empty match instead of\n"
         "the line, after its byte offset. With several FILEs each line starts with \"FILE:\".\n"
         "Several patterns (-e PATTERN, repeated, or -f FILE with one a line) are searched as one\n"
         "table, on -j N threads (default OMP_NUM_THREADS) when there are more of them; a line is\n"
         "selected when any pattern matches, its text after the numbers of those that do (\"1,3:\").\n"
         "--options LETTERS adds pattern options (m s x), --match-limit N sets the matcher's budget\n"
         "(default 10000; branches that would go past it fail), --bytes lets a match start at any\n"
         "byte (by default: at character starts of UTF-8). Lines longer than 256 MiB are searched in\n"
         "pieces of that size.\n" ZETCH_INPUT_HELP
         "Exit status: 0 a line selected, 1 none, 2 error.",
         runGrep},
        {"replace", "replace [-g] [-i] [OPTIONS] [--] PATTERN TEMPLATE [FILE]",
         "copy FILE or standard input with the first match on each line (-g: every match) replaced",
         "Each line (without its '\\n') is one subject. In TEMPLATE, $& is the whole match and $1, $2 ...\n"
         "a group (all the digits are taken; an unset group inserts nothing). Any other '$' is refused.\n"
         "A backslash is dropped and the byte after it read as usual: '$1\\2' is group 1, then 2.\n"
         "-i ignores case; --options, --match-limit and --bytes as for grep.\n" ZETCH_INPUT_HELP
         "Exit status: 0 done, 2 error.",
         runReplace},
    };
    return table;
}

#undef ZETCH_INPUT_HELP

const Command& commandNamed(std::string_view name) {
    for (const auto& c : commands())
        if (name == c.name) return c;
    std::abort();
}

}  // namespace cli
