#include <cstdio>

#include "cli.h"
#include "zetch.h"

namespace cli {

int runVersion(const Args& args) {
    if (!args.empty()) return usageError(commandNamed("version"), "takes no arguments");
    const LibraryVersion* v = zetchGetLibVersion();
    std::printf("%s\nversion %s (%d.%d.%d, revision %d), target %s, built %s\n", v->name, v->version, v->major,
                v->minor, v->patch, v->revision, v->targetCpu, v->buildDate);
    return kFound;
}

}  // namespace cli
