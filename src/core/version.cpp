// zetchGetLibVersion: two constant records per variant of the library that differ only in their
// name; the one returned tells whether the SSE4.2 kernels can run, asked afresh on every call.
// The variants built for wider vectors say in targetCpu and name which instruction set they need:
// "h9" for AVX2 (x86-64-v3), "k0" for AVX-512 BW/VL (x86-64-v4).
#include "core/simd.h"
#include "core/zetcore.h"
#include "zetch.h"

namespace {

#if ZETCH_VECTOR_BYTES == 64
#define ZETCH_TARGET_CPU {'k', '0', 0, 0}
#define ZETCH_VARIANT_NAME "zetCH AVX-512BW/VL (k0)"
#elif ZETCH_VECTOR_BYTES == 32
#define ZETCH_TARGET_CPU {'h', '9', 0, 0}
#define ZETCH_VARIANT_NAME "zetCH AVX2 (h9)"
#else
#define ZETCH_TARGET_CPU {'p', '8', 0, 0}
#define ZETCH_VARIANT_NAME "zetCH SSE4.1/4.2 (p8)"
#endif

constexpr LibraryVersion kVersionGeneral = {7, 1, 0, 36264, ZETCH_TARGET_CPU, ZETCH_VARIANT_NAME,
                                            "7.1.0 (r36264)", "Jul 23 2012"};
constexpr LibraryVersion kVersionSse42 = {7, 1, 0, 36264, ZETCH_TARGET_CPU, ZETCH_VARIANT_NAME "+",
                                          "7.1.0 (r36264)", "Jul 23 2012"};

}  // namespace

const LibraryVersion* zetchGetLibVersion(void) {
    return ownGetFeature(zetFeatureSse42) ? &kVersionSse42 : &kVersionGeneral;
}
