#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

#include "zetch.h"

extern "C" int zetch_header_c99_probe(void);

TEST(Header, CompilesAsCAndCxxWithTheSameTypes) {
    // 1 + 2 * 10 + 0 - 1 + 0 - 190, computed by the C translation unit.
    EXPECT_EQ(zetch_header_c99_probe(), -170);
    static_assert(sizeof(zet8u) == 1 && sizeof(zet16u) == 2 && sizeof(zet32s) == 4 && sizeof(zet32u) == 4);
    static_assert(std::is_same_v<ZetStatus, int>);
    static_assert(offsetof(LibraryVersion, targetCpu) == 16);
    static_assert(offsetof(RegExpMultiResult, pMatch) == 16);
}

TEST(Header, StatusCodesHaveTheirValues) {
    const int codes[] = {zetStatusOk, zetStatusRegExpRecordsTruncated, zetStatusSplitIncomplete,
                         zetStatusSplitTruncated, zetStatusError, zetStatusNotFound, zetStatusBadArgument,
                         zetStatusBadSize, zetStatusBadFormat, zetStatusNullPointer, zetStatusNoRoom,
                         zetStatusBadLength, zetStatusRegExpBadEscape, zetStatusRegExpBadClass,
                         zetStatusRegExpBadReference, zetStatusRegExpSyntax, zetStatusRegExpBadQuantifier,
                         zetStatusRegExpMatchLimit, zetStatusRegExpBadState, zetStatusRegExpBadOption};
    const int expected[] = {0, 12, 26, 27, -1, -2, -5, -6, -7, -8, -9, -119,
                            -183, -184, -185, -186, -187, -188, -189, -190};
    ASSERT_EQ(std::size(codes), std::size(expected));
    for (std::size_t i = 0; i < std::size(codes); ++i) EXPECT_EQ(codes[i], expected[i]) << i;
}
