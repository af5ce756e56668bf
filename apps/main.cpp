// zetch: the command-line face of the library. `zetch --help` lists the commands.
#include <cstdio>
#include <cstring>

#include "cli.h"

namespace {

void printOverview() {
    std::printf("usage: zetch COMMAND [ARGS]   (zetch COMMAND --help for details)\n\ncommands:\n");
    for (const auto& c : cli::commands()) std::printf("  %-10s %s\n", c.name, c.summary);
}

void printHelp(const cli::Command& c) {
    std::printf("usage: zetch %s\n\n%s\n", c.usage, c.summary);
    if (c.help && *c.help) std::printf("\n%s\n", c.help);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
        if (argc >= 3)
            for (const auto& c : cli::commands())
                if (!std::strcmp(c.name, argv[2])) return printHelp(c), 0;
        printOverview();
        return argc < 2 ? cli::kUsage : 0;
    }
    for (const auto& c : cli::commands()) {
        if (std::strcmp(c.name, argv[1]) != 0) continue;
        cli::Args args(argv + 2, argv + argc);
        for (auto a : args)
            if (a == "--help" || a == "-h") return printHelp(c), 0;
        return c.run(args);
    }
    std::fprintf(stderr, "zetch: unknown command '%s'\n", argv[1]);
    printOverview();
    return cli::kUsage;
}
