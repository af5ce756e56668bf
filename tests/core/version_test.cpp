#include <gtest/gtest.h>

#include <cstring>

#include "support/zetcore_double.h"
#include "zetch.h"

// Two constant records that differ in their name only; the core library is asked on every call.
TEST(Version, RecordFollowsTheFeatureAnswerOnEveryCall) {
    zetcore_double::CoreScope scope;
    for (bool sse42 : {true, false, true}) {
        if (!zetcore_double::reportSse42(sse42)) continue;  // a processor without SSE4.2
        const int before = zetcore_double::featureQueries();
        const LibraryVersion* v = zetchGetLibVersion();
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(zetcore_double::featureQueries(), before + 1) << "asks on every call, no cache";
        EXPECT_STREQ(v->name, sse42 ? "zetCH SSE4.1/4.2 (p8)+" : "zetCH SSE4.1/4.2 (p8)");
        EXPECT_TRUE(v->major == 7 && v->minor == 1 && v->patch == 0 && v->revision == 36264);
        EXPECT_EQ(std::memcmp(v->targetCpu, "p8\0\0", 4), 0);
        EXPECT_STREQ(v->version, "7.1.0 (r36264)");
        EXPECT_STREQ(v->buildDate, "Jul 23 2012");
        EXPECT_EQ(zetchGetLibVersion(), v) << "the same record while the answer stands";
    }
}
