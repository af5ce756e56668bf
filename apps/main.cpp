// zetch: the command-line face of the library. `zetch --help` lists the commands.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli.h"

namespace {

void printOverview(cli::Output& out) {
    out.write("usage: zetch COMMAND [ARGS]   (zetch COMMAND --help for details)\n\ncommands:\n");
    for (const auto& c : cli::commands()) {
        std::string name = c.name;
        name.resize(std::max<std::size_t>(name.size(), 10), ' ');
        out.write("  " + name + " " + c.summary + "\n");
    }
}

void printHelp(cli::Output& out, const cli::Command& c) {
    out.write(std::string("usage: zetch ") + c.usage + "\n\n" + c.summary + "\n");
    if (c.help && *c.help) out.write(std::string("\n") + c.help + "\n");
}

int run(int argc, char** argv, cli::Output& out) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
        if (argc >= 3)
            for (const auto& c : cli::commands())
                if (!std::strcmp(c.name, argv[2])) return printHelp(out, c), 0;
        printOverview(out);
        return argc < 2 ? cli::kUsage : 0;
    }
    for (const auto& c : cli::commands()) {
        if (std::strcmp(c.name, argv[1]) != 0) continue;
        const cli::Args args(argv + 2, argv + argc);
        for (auto a : args) {
            if (a == "--") break;
            if (a == "--help" || a == "-h") return printHelp(out, c), 0;
        }
        const auto blockSize = cli::blockSizeFromEnvironment();
        if (!blockSize) return cli::kUsage;
        cli::Context ctx{out, *blockSize};
        return c.run(args, ctx);
    }
    std::fprintf(stderr, "zetch: unknown command '%s'\n", argv[1]);
    printOverview(out);
    return cli::kUsage;
}

}  // namespace

// Every command writes through one checked writer; a failed write or close of standard output
// makes the exit status 2 whatever the command's own result.
int main(int argc, char** argv) {
    cli::Output out(STDOUT_FILENO, "standard output");
    const int status = run(argc, argv, out);
    return out.close() ? status : cli::kError;
}
