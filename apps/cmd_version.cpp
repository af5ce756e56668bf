#include <cstdio>

#include "cli.h"
#include "zetch.h"

#ifndef ZETCH_TOOL_COMMIT
#define ZETCH_TOOL_COMMIT "unknown"
#endif
#ifndef ZETCH_TOOL_DATE
#define ZETCH_TOOL_DATE "unknown"
#endif

namespace cli {

// The library's version record as it stands (its build date is the record's own), and on a line
// of its own the tool's build: the date and commit taken when the build tree was configured.
int runVersion(const Args& args, Context& ctx) {
    if (!args.empty()) return usageError(commandNamed("version"), "takes no arguments");
    const LibraryVersion* v = zetchGetLibVersion();
    char line[512];
    const int n = std::snprintf(line, sizeof line,
                                "library: %s, version %s (%d.%d.%d, revision %d), target %.4s, built %s\n"
                                "tool: zetch built %s from commit %s\n",
                                v->name, v->version, v->major, v->minor, v->patch, v->revision, v->targetCpu,
                                v->buildDate, ZETCH_TOOL_DATE, ZETCH_TOOL_COMMIT);
    ctx.out.write(line, static_cast<std::size_t>(n < 0 ? 0 : n < static_cast<int>(sizeof line) ? n : sizeof line - 1));
    return kFound;
}

}  // namespace cli
