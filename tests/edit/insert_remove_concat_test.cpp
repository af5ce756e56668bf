#include <gtest/gtest.h>

#include <climits>
#include <string_view>
#include <vector>

#include "zetch.h"

namespace {

template <class T>
struct Edit;
template <>
struct Edit<zet8u> {
    static constexpr auto insert = zetsInsert_8u;
    static constexpr auto insertI = zetsInsert_8u_I;
    static constexpr auto remove = zetsRemove_8u;
    static constexpr auto removeI = zetsRemove_8u_I;
    static constexpr auto concat = zetsConcat_8u;
};
template <>
struct Edit<zet16u> {
    static constexpr auto insert = zetsInsert_16u;
    static constexpr auto insertI = zetsInsert_16u_I;
    static constexpr auto remove = zetsRemove_16u;
    static constexpr auto removeI = zetsRemove_16u_I;
    static constexpr auto concat = zetsConcat_16u;
};

template <class T>
std::vector<T> units(std::string_view s) {
    return std::vector<T>(s.begin(), s.end());
}

template <class T>
class EditTest : public ::testing::Test {};
using Units = ::testing::Types<zet8u, zet16u>;
TYPED_TEST_SUITE(EditTest, Units);

// Every position of every short string, three ways (separate destination, destination = source,
// in place), against the same result built with std::vector; the buffers carry a tail of '#'
// that must survive. Concatenation of the first `at` units with the inserted text rides along.
TYPED_TEST(EditTest, InsertAndRemoveAgreeWithTheModelEverywhere) {
    using T = TypeParam;
    std::vector<T> ins(20);
    for (int i = 0; i < 20; ++i) ins[i] = static_cast<T>('A' + i);
    for (int len = 0; len <= 40; ++len) {
        std::vector<T> src(len);
        src.reserve(1);  // an empty string is still given by a valid pointer
        for (int i = 0; i < len; ++i) src[i] = static_cast<T>('a' + i % 26);
        for (int at = 0; at <= len; ++at) {
            for (int n : {0, 1, 3, 20}) {
                std::vector<T> want = src;
                want.insert(want.begin() + at, ins.begin(), ins.begin() + n);
                want.resize(80, T{'#'});
                std::vector<T> out(80, T{'#'}), same = src, inPlace = src;
                same.resize(80, T{'#'});
                inPlace.resize(80, T{'#'});
                int inPlaceLen = len;
                ASSERT_EQ(Edit<T>::insert(src.data(), len, ins.data(), n, out.data(), at), zetStatusOk);
                ASSERT_EQ(Edit<T>::insert(same.data(), len, ins.data(), n, same.data(), at), zetStatusOk);
                ASSERT_EQ(Edit<T>::insertI(ins.data(), n, inPlace.data(), &inPlaceLen, at), zetStatusOk);
                if (n > 0) ASSERT_EQ(out, want) << len << " at " << at << " n " << n;
                else ASSERT_EQ(out, std::vector<T>(80, T{'#'})) << "inserting nothing leaves the destination alone";
                ASSERT_EQ(same, want) << len << " at " << at << " n " << n;
                ASSERT_EQ(inPlace, want);
                ASSERT_EQ(inPlaceLen, len + n);
                out.assign(80, T{'#'});
                ASSERT_EQ(Edit<T>::concat(src.data(), at, ins.data(), n, out.data()), zetStatusOk);
                want = src;
                want.resize(at);
                want.insert(want.end(), ins.begin(), ins.begin() + n);
                want.resize(80, T{'#'});
                ASSERT_EQ(out, want) << "concat " << at << " + " << n;
            }
            for (int n = 0; at + n <= len; ++n) {
                std::vector<T> want = src;
                want.erase(want.begin() + at, want.begin() + at + n);
                std::vector<T> out(80, T{'#'}), inPlace = src;
                inPlace.resize(80, T{'#'});
                const std::vector<T> before = inPlace;
                int inPlaceLen = len;
                ASSERT_EQ(Edit<T>::remove(src.data(), len, out.data(), at, n), zetStatusOk);
                ASSERT_EQ(Edit<T>::removeI(inPlace.data(), &inPlaceLen, at, n), zetStatusOk);
                ASSERT_EQ(inPlaceLen, len - n);
                // In place, the units past the new length keep their old values.
                want.insert(want.end(), before.begin() + inPlaceLen, before.end());
                ASSERT_EQ(inPlace, want);
                want.resize(inPlaceLen);
                want.resize(80, T{'#'});
                ASSERT_EQ(out, want) << len << " at " << at << " n " << n;
            }
        }
    }
}

// Checks in order: pointers, then lengths and positions; a failure writes nothing, neither into
// the buffers nor through the length pointer. Sums of a position and a length that overflow 32
// bits are outside the string.
TYPED_TEST(EditTest, ChecksComeFirstAndWriteNothing) {
    using T = TypeParam;
    const auto src = units<T>("abcd"), xy = units<T>("XY");
    std::vector<T> dst(8, T{'#'});
    const std::vector<T> untouched = dst;
    T* d = dst.data();
    int len = 4;
    const ZetStatus N = zetStatusNullPointer, L = zetStatusBadLength;
    const struct {
        ZetStatus got, want;
    } checks[] = {
        {Edit<T>::insert(nullptr, -1, xy.data(), 2, d, 0), N},
        {Edit<T>::insert(src.data(), 4, nullptr, 0, d, 0), N},
        {Edit<T>::insert(src.data(), 4, xy.data(), 2, nullptr, 0), N},
        {Edit<T>::insert(src.data(), -1, xy.data(), 2, d, 0), L},
        {Edit<T>::insert(src.data(), 4, xy.data(), -1, d, 0), L},
        {Edit<T>::insert(src.data(), 4, xy.data(), 2, d, -1), L},
        {Edit<T>::insert(src.data(), 4, xy.data(), 2, d, 5), L},
        {Edit<T>::insertI(nullptr, 2, d, &len, 0), N},
        {Edit<T>::insertI(xy.data(), 2, d, nullptr, 0), N},
        {Edit<T>::insertI(xy.data(), -1, d, &len, 0), L},
        {Edit<T>::insertI(xy.data(), 2, d, &len, 5), L},
        {Edit<T>::insertI(xy.data(), INT_MAX - 3, d, &len, 0), L},
        {Edit<T>::remove(nullptr, 4, d, 0, 1), N},
        {Edit<T>::remove(src.data(), 4, nullptr, 0, 1), N},
        {Edit<T>::remove(src.data(), 4, d, 0, -1), L},
        {Edit<T>::remove(src.data(), 4, d, -1, 1), L},
        {Edit<T>::remove(src.data(), 3, d, 2, 2), L},
        {Edit<T>::remove(src.data(), -1, d, 0, 0), L},
        {Edit<T>::remove(src.data(), 4, d, 2, INT_MAX), L},
        {Edit<T>::removeI(nullptr, &len, 0, 1), N},
        {Edit<T>::removeI(d, nullptr, 0, 1), N},
        {Edit<T>::removeI(d, &len, 4, 1), L},
        {Edit<T>::removeI(d, &len, INT_MAX, 1), L},
        {Edit<T>::concat(src.data(), 4, nullptr, 0, d), N},
        {Edit<T>::concat(src.data(), 4, xy.data(), 2, nullptr), N},
        {Edit<T>::concat(src.data(), -1, xy.data(), 2, d), L},
        {Edit<T>::concat(src.data(), 4, xy.data(), -1, d), L},
    };
    for (std::size_t i = 0; i < std::size(checks); ++i) EXPECT_EQ(checks[i].got, checks[i].want) << "check #" << i;
    EXPECT_EQ(dst, untouched);
    EXPECT_EQ(len, 4);
    int negative = -1;
    EXPECT_EQ(Edit<T>::removeI(d, &negative, 0, 0), L);
    EXPECT_EQ(Edit<T>::insertI(xy.data(), 0, d, &negative, 0), L);
    EXPECT_EQ(negative, -1);
}

}  // namespace
