// zetchGetLibVersion: two constant records that differ only in their name; the one returned
// tells whether the SSE4.2 kernels can run, asked afresh on every call.
#include "core/zetcore.h"
#include "zetch.h"

namespace {

constexpr LibraryVersion kVersionSse41 = {7, 1, 0, 36264, {'p', '8', 0, 0}, "zetCH SSE4.1/4.2 (p8)",
                                          "7.1.0 (r36264)", "Jul 23 2012"};
constexpr LibraryVersion kVersionSse42 = {7, 1, 0, 36264, {'p', '8', 0, 0}, "zetCH SSE4.1/4.2 (p8)+",
                                          "7.1.0 (r36264)", "Jul 23 2012"};

}  // namespace

const LibraryVersion* zetchGetLibVersion(void) {
    return ownGetFeature(zetFeatureSse42) ? &kVersionSse42 : &kVersionSse41;
}
