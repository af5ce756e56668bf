#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/zetcore_double.h"
#include "zetch.h"

TEST(Version, RecordFieldsAreConstant) {
    zetcore_double::CoreScope scope;
    const LibraryVersion* v = zetchGetLibVersion();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->major, 7);
    EXPECT_EQ(v->minor, 1);
    EXPECT_EQ(v->patch, 0);
    EXPECT_EQ(v->revision, 36264);
    EXPECT_EQ(std::memcmp(v->targetCpu, "p8\0\0", 4), 0);
    EXPECT_STREQ(v->version, "7.1.0 (r36264)");
    EXPECT_STREQ(v->buildDate, "Jul 23 2012");
    EXPECT_EQ(zetchGetLibVersion(), v) << "same record on every call on one machine";
}

TEST(Version, NameFollowsTheFeatureAnswerOnEveryCall) {
    zetcore_double::CoreScope scope;
    const LibraryVersion* with = nullptr;
    const LibraryVersion* without = nullptr;
    if (zetcore_double::reportSse42(true)) {
        const int before = zetcore_double::featureQueries();
        with = zetchGetLibVersion();
        EXPECT_STREQ(with->name, "zetCH SSE4.1/4.2 (p8)+");
        EXPECT_EQ(zetcore_double::featureQueries(), before + 1) << "asks on every call, no cache";
    }
    zetcore_double::reportSse42(false);
    without = zetchGetLibVersion();
    EXPECT_STREQ(without->name, "zetCH SSE4.1/4.2 (p8)");
    if (with) {
        EXPECT_NE(with, without);
        // The two records differ in their name only.
        EXPECT_EQ(with->revision, without->revision);
        EXPECT_STREQ(with->version, without->version);
        zetcore_double::reportSse42(true);
        EXPECT_EQ(zetchGetLibVersion(), with) << "a changed answer takes effect at the next call";
    }
}
