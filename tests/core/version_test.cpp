#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/zetcore_double.h"
#include "zetch.h"

// The record of the variant under test (the test program is built once per variant).
#if ZETCH_VECTOR_BYTES == 64
constexpr const char* kName = "zetCH AVX-512BW/VL (k0)";
constexpr char kCpu[4] = {'k', '0', 0, 0};
#elif ZETCH_VECTOR_BYTES == 32
constexpr const char* kName = "zetCH AVX2 (h9)";
constexpr char kCpu[4] = {'h', '9', 0, 0};
#else
constexpr const char* kName = "zetCH SSE4.1/4.2 (p8)";
constexpr char kCpu[4] = {'p', '8', 0, 0};
#endif

// Two constant records that differ in their name only; the core library is asked on every call.
TEST(Version, RecordFollowsTheFeatureAnswerOnEveryCall) {
    zetcore_double::CoreScope scope;
    for (bool sse42 : {true, false, true}) {
        if (!zetcore_double::reportSse42(sse42)) continue;  // a processor without SSE4.2
        const int before = zetcore_double::featureQueries();
        const LibraryVersion* v = zetchGetLibVersion();
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(zetcore_double::featureQueries(), before + 1) << "asks on every call, no cache";
        EXPECT_EQ(std::string(v->name), std::string(kName) + (sse42 ? "+" : ""));
        EXPECT_TRUE(v->major == 7 && v->minor == 1 && v->patch == 0 && v->revision == 36264);
        EXPECT_EQ(std::memcmp(v->targetCpu, kCpu, 4), 0);
        EXPECT_STREQ(v->version, "7.1.0 (r36264)");
        EXPECT_STREQ(v->buildDate, "Jul 23 2012");
        EXPECT_EQ(zetchGetLibVersion(), v) << "the same record while the answer stands";
    }
}
