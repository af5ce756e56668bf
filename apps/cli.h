// Shared pieces of the zetch command-line tool: the command table, argument parsing, unit parsing.
// Input and output go through input.h (blocks and lines) and output.h (the checked writer).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "input.h"
#include "output.h"

namespace cli {

using Args = std::vector<std::string_view>;

// What every command gets besides its arguments: standard output, and the block size of its
// input (ZETCH_BLOCK_SIZE, see input.h).
struct Context {
    Output& out;
    std::size_t blockSize;
};

struct Command {
    const char* name;
    const char* usage;    // one line: "findc [--last|--all] UNIT [FILE]"
    const char* summary;  // one line of what it does
    const char* help;     // the rest of --help, may be empty
    int (*run)(const Args& args, Context& ctx);
};

// Exit codes of every command.
inline constexpr int kFound = 0;     // success (for searches: something was found)
inline constexpr int kNotFound = 1;  // a search found nothing
inline constexpr int kUsage = 2;     // bad arguments
inline constexpr int kError = 2;     // unreadable input, or output that could not be written

// The table of commands (commands.cpp), and one of them by name (which must exist).
const std::vector<Command>& commands();
const Command& commandNamed(std::string_view name);

// Prints "zetch NAME: message" and the usage line to stderr; returns kUsage.
int usageError(const Command& cmd, const std::string& message);

// The arguments of a command, options apart from operands. An option is an argument that begins
// with '-' and is longer than "-"; "--" ends the options, and everything after it is an operand,
// as is "-" (standard input where a FILE goes). Options may stand before, between and after the
// operands. `flags` take no value; `valued` ones take the next argument, and a one-letter one
// such as -d also the rest of its own argument (-d,). Empty optional after a usage message for
// an unknown option or a missing value.
struct Parsed {
    std::vector<std::pair<std::string_view, std::string_view>> options;  // name, value
    std::vector<std::string_view> operands;
};
std::optional<Parsed> parseArgs(const Command& cmd, const Args& args, std::initializer_list<std::string_view> flags,
                                std::initializer_list<std::string_view> valued = {});

// A code unit written on the command line: one character, an escape (\n \t \r \0 \\ \xHH),
// or a number with 0x prefix (0x0A, 0x263A) or in decimal with a leading '#'.
std::optional<std::uint32_t> parseUnit(std::string_view text);

// A set of bytes written on the command line: every character stands for itself, except the
// escapes \n \t \r \0 \\ and \xHH (exactly two hex digits). Empty optional when an escape is
// malformed; an empty text is the empty set.
std::optional<std::vector<std::uint8_t>> parseSet(std::string_view text);

// Largest piece handed to one library call (lengths are signed 32-bit).
inline constexpr std::size_t kChunk = std::size_t{1} << 30;

}  // namespace cli
