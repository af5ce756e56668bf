// UTF-8 <-> UTF-16 (little-endian) against ICU (u_strFromUTF8 / u_strToUTF8) and glibc iconv, on
// four kinds of well-formed text: English ASCII, Latin-1-heavy words (about one letter in four
// accented), CJK ideographs with a little punctuation, and ASCII words mixed with emoji.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench_util.h"
#include "zetch.h"

#ifdef ZETCH_BENCH_HAVE_ICU_UC
#include <unicode/ustring.h>
#endif

namespace {

enum Text { Ascii, Latin1, Cjk, Emoji };
const char* const kTextNames[] = {"ascii", "latin1", "cjk", "emoji"};

void append(std::vector<zet8u>& s, std::uint32_t c) {
    if (c < 0x80) {
        s.push_back(static_cast<zet8u>(c));
    } else if (c < 0x800) {
        s.insert(s.end(), {zet8u(0xC0 | c >> 6), zet8u(0x80 | (c & 0x3F))});
    } else if (c < 0x10000) {
        s.insert(s.end(), {zet8u(0xE0 | c >> 12), zet8u(0x80 | (c >> 6 & 0x3F)), zet8u(0x80 | (c & 0x3F))});
    } else {
        s.insert(s.end(), {zet8u(0xF0 | c >> 18), zet8u(0x80 | (c >> 12 & 0x3F)), zet8u(0x80 | (c >> 6 & 0x3F)),
                           zet8u(0x80 | (c & 0x3F))});
    }
}

// About n bytes of UTF-8 text of the given kind, ending on a character boundary.
const std::vector<zet8u>& utf8Text(Text kind, std::size_t n) {
    static std::map<std::pair<int, std::size_t>, std::vector<zet8u>> cache;
    auto& s = cache[{kind, n}];
    if (!s.empty()) return s;
    if (kind == Ascii) return s = bench::english(n);
    std::mt19937 rng(99 + kind);
    std::vector<std::uint32_t> cs;
    std::size_t bytes = 0;
    auto add = [&](std::uint32_t c) {
        cs.push_back(c);
        bytes += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    };
    while (bytes < n) {
        switch (kind) {
            case Latin1:
                for (int len = 2 + static_cast<int>(rng() % 8); len--;)
                    add(rng() % 4 ? 'a' + rng() % 26 : 0xE0 + rng() % 0x1F);
                add(rng() % 12 ? ' ' : '\n');
                break;
            case Cjk:
                add(0x4E00 + rng() % 0x5200);
                if (rng() % 16 == 0) add(rng() % 2 ? 0x3002 : 0xFF0C);
                if (rng() % 80 == 0) add('\n');
                break;
            default:
                if (rng() % 2)
                    for (int len = 3 + static_cast<int>(rng() % 5); len--;) add('a' + rng() % 26);
                else
                    for (int len = 1 + static_cast<int>(rng() % 3); len--;) add(0x1F600 + rng() % 0x50);
                add(' ');
                break;
        }
    }
    for (auto c : cs) append(s, c);
    return s;
}

// The same text in UTF-16LE.
const std::vector<zet16u>& utf16Text(Text kind, std::size_t n) {
    static std::map<std::pair<int, std::size_t>, std::vector<zet16u>> cache;
    auto& u = cache[{kind, n}];
    if (!u.empty()) return u;
    const auto& s = utf8Text(kind, n);
    u.resize(s.size());
    int sn = static_cast<int>(s.size()), un = static_cast<int>(u.size());
    zetsConvertUTF_8u16u(s.data(), &sn, u.data(), &un, 0);
    u.resize(static_cast<std::size_t>(un));
    return u;
}

enum Impl { Zetch, Icu, Iconv };

// The two directions, as overloads on the source and destination units.
void zetConvert(const zet8u* s, int* n, zet16u* d, int* m) { zetsConvertUTF_8u16u(s, n, d, m, 0); }
void zetConvert(const zet16u* s, int* n, zet8u* d, int* m) { zetsConvertUTF_16u8u(s, n, d, m, 0); }
#ifdef ZETCH_BENCH_HAVE_ICU_UC
void icuConvert(const zet8u* s, int32_t n, zet16u* d, int32_t cap, int32_t* m, UErrorCode* err) {
    u_strFromUTF8(reinterpret_cast<UChar*>(d), cap, m, reinterpret_cast<const char*>(s), n, err);
}
void icuConvert(const zet16u* s, int32_t n, zet8u* d, int32_t cap, int32_t* m, UErrorCode* err) {
    u_strToUTF8(reinterpret_cast<char*>(d), cap, m, reinterpret_cast<const UChar*>(s), n, err);
}
#endif
template <class T>
const char* charsetOf() {
    return sizeof(T) == 1 ? "UTF-8" : "UTF-16LE";
}

// Text of units S converted to units D (room for the worst case) by one implementation.
template <class S, class D>
void convert(benchmark::State& st, int packed) {
    const auto kind = static_cast<Text>(packed % 4);
    const auto impl = static_cast<Impl>(packed / 4);
    const auto n = static_cast<std::size_t>(st.range(0));
    const std::vector<S>* text;
    if constexpr (sizeof(S) == 1)
        text = &utf8Text(kind, n);
    else
        text = &utf16Text(kind, n);
    const std::vector<S>& src = *text;
    std::vector<D> dst(src.size() * (sizeof(D) == 1 ? 3 : 1) + 16);
    iconv_t cd = impl == Iconv ? iconv_open(charsetOf<D>(), charsetOf<S>()) : iconv_t(-1);
    for (auto _ : st) {
        long written = 0;
        if (impl == Zetch) {
            int sn = static_cast<int>(src.size()), m = static_cast<int>(dst.size());
            zetConvert(src.data(), &sn, dst.data(), &m);
            written = m;
        } else if (impl == Icu) {
#ifdef ZETCH_BENCH_HAVE_ICU_UC
            UErrorCode err = U_ZERO_ERROR;
            int32_t m = 0;
            icuConvert(src.data(), static_cast<int32_t>(src.size()), dst.data(), static_cast<int32_t>(dst.size()), &m, &err);
            written = m;
#endif
        } else {
            char* in = reinterpret_cast<char*>(const_cast<S*>(src.data()));
            char* out = reinterpret_cast<char*>(dst.data());
            std::size_t inLeft = src.size() * sizeof(S), outLeft = dst.size() * sizeof(D);
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            iconv(cd, &in, &inLeft, &out, &outLeft);
            written = static_cast<long>(dst.size() * sizeof(D) - outLeft);
        }
        benchmark::DoNotOptimize(written);
        benchmark::ClobberMemory();
    }
    if (cd != iconv_t(-1)) iconv_close(cd);
    // Throughput in UTF-8 bytes in both directions, so that the rows compare.
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * static_cast<std::int64_t>(utf8Text(kind, n).size()));
}

const std::vector<std::int64_t> kSizes = {1 << 10, 64 << 10};

[[maybe_unused]] const bool registered = [] {
    std::vector<std::pair<Impl, const char*>> impls = {{Zetch, "zetch"}, {Iconv, "iconv"}};
#ifdef ZETCH_BENCH_HAVE_ICU_UC
    impls.insert(impls.begin() + 1, {Icu, "icu"});
#endif
    for (int kind = 0; kind < 4; ++kind)
        for (auto [impl, name] : impls) {
            const int packed = impl * 4 + kind;
            bench::add(std::string("utf8to16_") + kTextNames[kind] + "/" + name, convert<zet8u, zet16u>, packed, kSizes);
            bench::add(std::string("utf16to8_") + kTextNames[kind] + "/" + name, convert<zet16u, zet8u>, packed, kSizes);
        }
    return true;
}();

}  // namespace
