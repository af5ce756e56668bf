// Shared pieces of the zetch command-line tool: the command table, input reading, unit parsing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

using Args = std::vector<std::string_view>;

struct Command {
    const char* name;
    const char* usage;    // one line: "findc [--last|--all] BYTE [FILE]"
    const char* summary;  // one line of what it does
    const char* help;     // the rest of --help, may be empty
    int (*run)(const Args& args);
};

// Exit codes of every command.
inline constexpr int kFound = 0;     // success (for searches: something was found)
inline constexpr int kNotFound = 1;  // a search found nothing
inline constexpr int kUsage = 2;     // bad arguments or unreadable input

// The table of commands (commands.cpp), and one of them by name (which must exist).
const std::vector<Command>& commands();
const Command& commandNamed(std::string_view name);

// Prints "zetch NAME: message" and the usage line to stderr; returns kUsage.
int usageError(const Command& cmd, const std::string& message);

// Whole contents of FILE, or of standard input for "-" or an absent name. Empty optional (after
// a message on stderr) when it cannot be read.
std::optional<std::vector<std::uint8_t>> readInput(std::string_view file);

// A code unit written on the command line: one character, an escape (\n \t \r \0 \\ \xHH),
// or a number with 0x prefix (0x0A, 0x263A) or in decimal with a leading '#'.
std::optional<std::uint32_t> parseUnit(std::string_view text);

// A set of bytes written on the command line: every character stands for itself, except the
// escapes \n \t \r \0 \\ and \xHH (exactly two hex digits). Empty optional when an escape is
// malformed; an empty text is the empty set.
std::optional<std::vector<std::uint8_t>> parseSet(std::string_view text);

// The set's units for a library call: never null, as the library wants even for an empty set.
inline const std::uint8_t* unitsOf(const std::vector<std::uint8_t>& set) {
    static const std::uint8_t none = 0;
    return set.empty() ? &none : set.data();
}

// Largest piece handed to one library call (lengths are signed 32-bit).
inline constexpr std::size_t kChunk = std::size_t{1} << 30;

}  // namespace cli
