// zetch.hpp: a C++20 layer over the C interface of zetch.h, header-only.
//
// Strings go in as std::string_view / std::u16string_view, positions come back as
// std::optional<std::size_t>, and every call that can fail returns a zetch::result<T>: the value,
// or the library's status with its message. Nothing here throws and nothing needs exceptions, so
// the header compiles with -fno-exceptions. The C interface counts in signed 32-bit lengths: a
// string, piece count or output longer than INT32_MAX units is refused with zetStatusBadLength,
// never cut short.
#ifndef ZETCH_HPP
#define ZETCH_HPP

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "zetch.h"

namespace zetch {

using status_t = ZetStatus;

// The message of a status code.
inline const char* status_message(status_t s) noexcept {
    switch (s) {
        case zetStatusOk: return "ok";
        case zetStatusRegExpRecordsTruncated: return "more match records than the array holds";
        case zetStatusSplitIncomplete: return "all split slots filled, text remains";
        case zetStatusSplitTruncated: return "a split piece was cut to its slot";
        case zetStatusError: return "internal failure";
        case zetStatusNotFound: return "identifier not in the table";
        case zetStatusBadArgument: return "bad argument";
        case zetStatusBadSize: return "a count or size that must be positive is not";
        case zetStatusBadFormat: return "subject format neither bytes nor UTF-8";
        case zetStatusNullPointer: return "null pointer or failed allocation";
        case zetStatusNoRoom: return "table full";
        case zetStatusBadLength: return "bad length: negative, out of range or beyond the 32-bit limit";
        case zetStatusRegExpBadEscape: return "malformed escape or braced construct";
        case zetStatusRegExpBadClass: return "malformed class or quoted sequence";
        case zetStatusRegExpBadReference: return "bad back-reference or group";
        case zetStatusRegExpSyntax: return "parentheses, nesting or group syntax";
        case zetStatusRegExpBadQuantifier: return "malformed quantifier or bound too large";
        case zetStatusRegExpMatchLimit: return "match limit exhausted";
        case zetStatusRegExpBadState: return "state object lacks its mark";
        case zetStatusRegExpBadOption: return "unknown option letter";
        default: return "unknown status";
    }
}

// The status of a failed call, its message and, for a pattern or template, the offset of the
// error in it (-1 when there is none).
struct error {
    status_t status = zetStatusError;
    const char* message = "internal failure";
    std::ptrdiff_t offset = -1;
};

inline error make_error(status_t s, std::ptrdiff_t offset = -1) noexcept { return error{s, status_message(s), offset}; }

// A value, or the error that kept it from being made. Check it (ok() or operator bool) before
// reading the value: reading the value of a failed result is a bug, as with std::optional.
template <class T>
class result {
public:
    result(T value) : value_(std::move(value)) {}  // NOLINT: implicit on purpose
    result(error e) : error_(e) {}                   // NOLINT
    bool ok() const noexcept { return value_.has_value(); }
    explicit operator bool() const noexcept { return ok(); }
    status_t status() const noexcept { return ok() ? zetStatusOk : error_.status; }
    const char* message() const noexcept { return ok() ? status_message(zetStatusOk) : error_.message; }
    const error& err() const noexcept { return error_; }
    T& operator*() & noexcept { return *value_; }
    const T& operator*() const& noexcept { return *value_; }
    // From a temporary result the value is moved out, so `for (auto& x : *f())` stays valid.
    T operator*() && { return std::move(*value_); }
    T* operator->() noexcept { return &*value_; }
    const T* operator->() const noexcept { return &*value_; }
    template <class U>
    T value_or(U&& other) const& {
        return ok() ? *value_ : static_cast<T>(std::forward<U>(other));
    }

private:
    std::optional<T> value_;
    error error_{};
};

template <>
class result<void> {
public:
    result() = default;
    result(error e) : ok_(false), error_(e) {}  // NOLINT
    bool ok() const noexcept { return ok_; }
    explicit operator bool() const noexcept { return ok_; }
    status_t status() const noexcept { return ok_ ? zetStatusOk : error_.status; }
    const char* message() const noexcept { return ok_ ? status_message(zetStatusOk) : error_.message; }
    const error& err() const noexcept { return error_; }

private:
    bool ok_ = true;
    error error_{};
};

namespace detail {

constexpr std::size_t kMaxLen = 0x7FFFFFFF;

inline bool fits(std::size_t n) noexcept { return n <= kMaxLen; }
template <class... N>
bool fits(std::size_t n, N... rest) noexcept {
    return fits(n) && fits(rest...);
}
inline zet32s len32(std::size_t n) noexcept { return static_cast<zet32s>(n); }

inline const zet8u* u8(std::string_view s) noexcept { return reinterpret_cast<const zet8u*>(s.data()); }
inline const zet16u* u16(std::u16string_view s) noexcept { return reinterpret_cast<const zet16u*>(s.data()); }
inline zet8u* u8(std::string& s) noexcept { return reinterpret_cast<zet8u*>(s.data()); }
inline zet16u* u16(std::u16string& s) noexcept { return reinterpret_cast<zet16u*>(s.data()); }

// A status below zero as an error; warnings count as success.
inline bool failed(status_t s) noexcept { return s < 0; }

// Units of the text as the C interface wants them, one overload per width.
// An empty view may have no address; the C interface wants one.
inline const zet8u* units(std::string_view s) noexcept { return s.data() ? u8(s) : reinterpret_cast<const zet8u*>(""); }
inline const zet16u* units(std::u16string_view s) noexcept { return s.data() ? u16(s) : reinterpret_cast<const zet16u*>(u""); }

inline std::optional<std::size_t> position(zet32s index) noexcept {
    if (index < 0) return std::nullopt;
    return static_cast<std::size_t>(index);
}

// One C call that reports an index, over either width.
template <class View, class Fn>
result<std::optional<std::size_t>> index_call(View a, View b, Fn fn) {
    if (!fits(a.size(), b.size())) return make_error(zetStatusBadLength);
    zet32s index = -1;
    const status_t s = fn(units(a), len32(a.size()), units(b), len32(b.size()), &index);
    if (failed(s)) return make_error(s);
    return position(index);
}

}  // namespace detail

// ---- Comparison and equality ----
// compare: the first difference a[i] - b[i] over the common length, else -1, 0 or 1 as a is
// shorter than, as long as or longer than b. Caseless forms fold A..Z (Latin) or every unit to
// its simple lower case (Unicode, 16-bit only).
namespace detail {
template <class View, class Fn>
result<int> compare_call(View a, View b, Fn fn) {
    if (!fits(a.size(), b.size())) return make_error(zetStatusBadLength);
    const std::size_t n = std::min(a.size(), b.size());
    zet32s r = 0;
    const status_t s = fn(units(a), units(b), len32(n), &r);
    if (failed(s)) return make_error(s);
    if (r != 0) return r;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}
template <class View, class Fn>
result<bool> equal_call(View a, View b, Fn fn) {
    if (!fits(a.size(), b.size())) return make_error(zetStatusBadLength);
    if (a.size() != b.size()) return false;
    zet32s r = 0;
    const status_t s = fn(units(a), units(b), len32(a.size()), &r);
    if (failed(s)) return make_error(s);
    return r != 0;
}
}  // namespace detail

inline result<int> compare(std::string_view a, std::string_view b) { return detail::compare_call(a, b, zetsCompare_8u); }
inline result<int> compare(std::u16string_view a, std::u16string_view b) { return detail::compare_call(a, b, zetsCompare_16u); }
inline result<int> compare_latin_caseless(std::string_view a, std::string_view b) {
    return detail::compare_call(a, b, zetsCompareIgnoreCaseLatin_8u);
}
inline result<int> compare_latin_caseless(std::u16string_view a, std::u16string_view b) {
    return detail::compare_call(a, b, zetsCompareIgnoreCaseLatin_16u);
}
inline result<int> compare_caseless(std::u16string_view a, std::u16string_view b) {
    return detail::compare_call(a, b, zetsCompareIgnoreCase_16u);
}
inline result<bool> equal(std::string_view a, std::string_view b) { return detail::equal_call(a, b, zetsEqual_8u); }
inline result<bool> equal(std::u16string_view a, std::u16string_view b) { return detail::equal_call(a, b, zetsEqual_16u); }
// Caseless equality: equal lengths and a caseless comparison of 0.
inline result<bool> equal_latin_caseless(std::string_view a, std::string_view b) {
    auto r = compare_latin_caseless(a, b);
    if (!r) return r.err();
    return *r == 0;
}
inline result<bool> equal_caseless(std::u16string_view a, std::u16string_view b) {
    auto r = compare_caseless(a, b);
    if (!r) return r.err();
    return *r == 0;
}

// ---- Search: first or last occurrence, or nullopt. An empty needle or set is never found. ----
inline result<std::optional<std::size_t>> find(std::string_view text, std::string_view needle) {
    return detail::index_call(text, needle, zetsFind_8u);
}
inline result<std::optional<std::size_t>> find(std::u16string_view text, std::u16string_view needle) {
    return detail::index_call(text, needle, zetsFind_16u);
}
inline result<std::optional<std::size_t>> rfind(std::string_view text, std::string_view needle) {
    return detail::index_call(text, needle, zetsFindRev_8u);
}
inline result<std::optional<std::size_t>> rfind(std::u16string_view text, std::u16string_view needle) {
    return detail::index_call(text, needle, zetsFindRev_16u);
}
inline result<std::optional<std::size_t>> find_any(std::string_view text, std::string_view set) {
    return detail::index_call(text, set, zetsFindCAny_8u);
}
inline result<std::optional<std::size_t>> find_any(std::u16string_view text, std::u16string_view set) {
    return detail::index_call(text, set, zetsFindCAny_16u);
}
inline result<std::optional<std::size_t>> rfind_any(std::string_view text, std::string_view set) {
    return detail::index_call(text, set, zetsFindRevCAny_8u);
}
inline result<std::optional<std::size_t>> rfind_any(std::u16string_view text, std::u16string_view set) {
    return detail::index_call(text, set, zetsFindRevCAny_16u);
}

namespace detail {
template <class View, class Unit, class Fn>
result<std::optional<std::size_t>> char_call(View text, Unit c, Fn fn) {
    if (!fits(text.size())) return make_error(zetStatusBadLength);
    zet32s index = -1;
    const status_t s = fn(units(text), len32(text.size()), c, &index);
    if (failed(s)) return make_error(s);
    return position(index);
}
}  // namespace detail

inline result<std::optional<std::size_t>> find(std::string_view text, char c) {
    return detail::char_call(text, static_cast<zet8u>(c), zetsFindC_8u);
}
inline result<std::optional<std::size_t>> find(std::u16string_view text, char16_t c) {
    return detail::char_call(text, static_cast<zet16u>(c), zetsFindC_16u);
}
inline result<std::optional<std::size_t>> rfind(std::string_view text, char c) {
    return detail::char_call(text, static_cast<zet8u>(c), zetsFindRevC_8u);
}
inline result<std::optional<std::size_t>> rfind(std::u16string_view text, char16_t c) {
    return detail::char_call(text, static_cast<zet16u>(c), zetsFindRevC_16u);
}

// ---- Trimming: the text without the given unit (or any unit of a set) at its ends ----
namespace detail {
template <class View, class Fn>
result<std::basic_string<typename View::value_type>> trim_call(View text, View set, Fn fn) {
    using String = std::basic_string<typename View::value_type>;
    if (!fits(text.size(), set.size())) return make_error(zetStatusBadLength);
    String out(text.size(), typename View::value_type{});
    zet32s kept = 0;
    auto* dst = reinterpret_cast<std::remove_const_t<std::remove_pointer_t<decltype(units(text))>>*>(out.data());
    const status_t s = fn(units(text), len32(text.size()), units(set), len32(set.size()), dst, &kept);
    if (failed(s)) return make_error(s);
    out.resize(static_cast<std::size_t>(kept));
    return out;
}
}  // namespace detail

enum class trim_side { both, start, end };

inline result<std::string> trim(std::string_view text, std::string_view set = " ", trim_side side = trim_side::both) {
    return detail::trim_call(text, set,
                             side == trim_side::both    ? zetsTrimCAny_8u
                             : side == trim_side::start ? zetsTrimStartCAny_8u
                                                        : zetsTrimEndCAny_8u);
}
inline result<std::u16string> trim(std::u16string_view text, std::u16string_view set = u" ",
                                   trim_side side = trim_side::both) {
    return detail::trim_call(text, set,
                             side == trim_side::both    ? zetsTrimCAny_16u
                             : side == trim_side::start ? zetsTrimStartCAny_16u
                                                        : zetsTrimEndCAny_16u);
}

// ---- Split and join ----
// The pieces of a text cut at a delimiter, as the library's split counts them: two adjacent
// delimiters give an empty piece, a delimiter that ends the text starts no piece after it, an
// empty text has none. split_view walks them without allocating (views into the text);
// split copies them into strings through the library's split.
template <class Char>
class basic_split_view {
public:
    using view = std::basic_string_view<Char>;
    struct sentinel {};
    class iterator {
    public:
        using value_type = view;
        using difference_type = std::ptrdiff_t;
        using iterator_concept = std::forward_iterator_tag;
        iterator() = default;
        iterator(view text, Char delim) : text_(text), delim_(delim) { cut(); }
        view operator*() const { return text_.substr(start_, end_ - start_); }
        iterator& operator++() {
            start_ = end_ + 1;
            cut();
            return *this;
        }
        iterator operator++(int) {
            iterator old = *this;
            ++*this;
            return old;
        }
        bool operator==(const iterator& o) const { return start_ == o.start_ && text_.data() == o.text_.data(); }
        bool operator==(sentinel) const { return start_ >= text_.size(); }

    private:
        void cut() {
            if (start_ >= text_.size()) return;
            auto at = find(text_.substr(start_), delim_);  // the text fits: checked by split_view
            end_ = at && *at ? start_ + **at : text_.size();
        }
        view text_{};
        Char delim_{};
        std::size_t start_ = 0;
        std::size_t end_ = 0;
    };
    // A text beyond the 32-bit limit gives no pieces: check it with fits() first, or use split.
    basic_split_view(view text, Char delim) : text_(detail::fits(text.size()) ? text : view{}), delim_(delim) {}
    iterator begin() const { return iterator(text_, delim_); }
    sentinel end() const { return {}; }

private:
    view text_;
    Char delim_;
};
using split_view = basic_split_view<char>;
using u16split_view = basic_split_view<char16_t>;

namespace detail {
template <class Char, class Unit, class Fn>
result<std::vector<std::basic_string<Char>>> split_call(std::basic_string_view<Char> text, Char delim, Fn fn) {
    if (!fits(text.size())) return make_error(zetStatusBadLength);
    std::vector<std::basic_string<Char>> pieces;
    for (auto piece : basic_split_view<Char>(text, delim)) pieces.emplace_back(piece.size(), Char{});
    if (pieces.empty()) return pieces;
    if (!fits(pieces.size())) return make_error(zetStatusBadLength);
    std::vector<Unit*> dst(pieces.size());
    std::vector<zet32s> cap(pieces.size());
    // An empty piece still needs a slot address: every string has a writable terminator.
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        dst[k] = reinterpret_cast<Unit*>(pieces[k].data());
        cap[k] = len32(pieces[k].size());
    }
    zet32s num = len32(pieces.size());
    const status_t s = fn(units(text), len32(text.size()), static_cast<Unit>(delim),
                          dst.data(), cap.data(), &num);
    if (failed(s)) return make_error(s);
    if (s != zetStatusOk || static_cast<std::size_t>(num) != pieces.size()) return make_error(zetStatusError);
    return pieces;
}

template <class Char, class Unit, class Fn>
result<std::basic_string<Char>> join_call(const std::vector<std::basic_string_view<Char>>& parts,
                                          std::optional<Char> delim, Fn plain, auto with_delim) {
    std::size_t total = 0;
    for (auto p : parts) total += p.size();
    if (!parts.empty() && delim) total += parts.size() - 1;
    if (!fits(total, parts.size())) return make_error(zetStatusBadLength);
    std::basic_string<Char> out(total, Char{});
    if (parts.empty()) return out;
    std::vector<const Unit*> src(parts.size());
    std::vector<zet32s> lens(parts.size());
    for (std::size_t k = 0; k < parts.size(); ++k) {
        src[k] = units(parts[k]);
        lens[k] = len32(parts[k].size());
    }
    auto* dst = reinterpret_cast<Unit*>(out.data());
    const status_t s = delim ? with_delim(src.data(), lens.data(), len32(parts.size()), static_cast<Unit>(*delim), dst)
                             : plain(src.data(), lens.data(), len32(parts.size()), dst);
    if (failed(s)) return make_error(s);
    return out;
}
}  // namespace detail

inline result<std::vector<std::string>> split(std::string_view text, char delim) {
    return detail::split_call<char, zet8u>(text, delim, zetsSplitC_8u_D2L);
}
inline result<std::vector<std::u16string>> split(std::u16string_view text, char16_t delim) {
    return detail::split_call<char16_t, zet16u>(text, delim, zetsSplitC_16u_D2L);
}
inline result<std::string> join(const std::vector<std::string_view>& parts, std::optional<char> delim = std::nullopt) {
    return detail::join_call<char, zet8u>(parts, delim, zetsConcat_8u_D2L, zetsConcatC_8u_D2L);
}
inline result<std::u16string> join(const std::vector<std::u16string_view>& parts,
                                   std::optional<char16_t> delim = std::nullopt) {
    return detail::join_call<char16_t, zet16u>(parts, delim, zetsConcat_16u_D2L, zetsConcatC_16u_D2L);
}

// ---- Character replacement and case, in place on a string the caller owns ----
namespace detail {
inline zet8u* u_out(std::string& s) noexcept { return u8(s); }
inline zet16u* u_out(std::u16string& s) noexcept { return u16(s); }
template <class String, class Fn>
result<void> in_place(String& s, Fn fn) {
    if (!fits(s.size())) return make_error(zetStatusBadLength);
    const status_t st = fn(u_out(s), len32(s.size()));
    if (failed(st)) return make_error(st);
    return {};
}
template <class String, class Fn, class Unit>
result<void> replace_call(String& s, Fn fn, Unit from, Unit to) {
    if (!fits(s.size())) return make_error(zetStatusBadLength);
    const status_t st = fn(u_out(s), u_out(s), len32(s.size()), from, to);  // pDst may be pSrc
    if (failed(st)) return make_error(st);
    return {};
}
}  // namespace detail

inline result<void> replace_char(std::string& s, char from, char to) {
    return detail::replace_call(s, zetsReplaceC_8u, static_cast<zet8u>(from), static_cast<zet8u>(to));
}
inline result<void> replace_char(std::u16string& s, char16_t from, char16_t to) {
    return detail::replace_call(s, zetsReplaceC_16u, static_cast<zet16u>(from), static_cast<zet16u>(to));
}
// A..Z / a..z only.
inline result<void> to_upper_latin(std::string& s) { return detail::in_place(s, zetsUppercaseLatin_8u_I); }
inline result<void> to_upper_latin(std::u16string& s) { return detail::in_place(s, zetsUppercaseLatin_16u_I); }
inline result<void> to_lower_latin(std::string& s) { return detail::in_place(s, zetsLowercaseLatin_8u_I); }
inline result<void> to_lower_latin(std::u16string& s) { return detail::in_place(s, zetsLowercaseLatin_16u_I); }
// The library's simple case table, one unit for one unit (surrogates pass unchanged).
inline result<void> to_upper(std::u16string& s) { return detail::in_place(s, zetsUppercase_16u_I); }
inline result<void> to_lower(std::u16string& s) { return detail::in_place(s, zetsLowercase_16u_I); }

// ---- Hashes ----
namespace detail {
template <class View, class Fn>
result<std::uint32_t> hash_call(View text, Fn fn) {
    if (!fits(text.size())) return make_error(zetStatusBadLength);
    zet32u h = 0;
    const status_t s = fn(units(text), len32(text.size()), &h);
    if (failed(s)) return make_error(s);
    return static_cast<std::uint32_t>(h);
}
}  // namespace detail
inline result<std::uint32_t> hash(std::string_view t) { return detail::hash_call(t, zetsHash_8u32u); }
inline result<std::uint32_t> hash(std::u16string_view t) { return detail::hash_call(t, zetsHash_16u32u); }
inline result<std::uint32_t> hash_sj2(std::string_view t) { return detail::hash_call(t, zetsHashSJ2_8u32u); }
inline result<std::uint32_t> hash_sj2(std::u16string_view t) { return detail::hash_call(t, zetsHashSJ2_16u32u); }
inline result<std::uint32_t> hash_mscs(std::string_view t) { return detail::hash_call(t, zetsHashMSCS_8u32u); }
inline result<std::uint32_t> hash_mscs(std::u16string_view t) { return detail::hash_call(t, zetsHashMSCS_16u32u); }

// ---- UTF-8 <-> UTF-16 ----
namespace detail {
// Converts all of src, appending to out, through as many calls as the 32-bit limit needs. Each
// call gets room for the whole rest (UTF-8 to UTF-16: a unit per byte at most; the other way three
// bytes per unit at most), so a call stops short only at that limit.
template <class In, class Out, class Fn>
result<void> convert_all(In src, Out& out, bool big_endian, std::size_t per_unit, Fn fn) {
    if (!fits(src.size())) return make_error(zetStatusBadLength);
    using InUnit = std::remove_const_t<std::remove_pointer_t<decltype(units(src))>>;
    using OutUnit = std::conditional_t<std::is_same_v<InUnit, zet8u>, zet16u, zet8u>;
    std::size_t done = 0;
    while (done < src.size()) {
        const std::size_t room = std::min((src.size() - done) * per_unit, kMaxLen);
        const std::size_t base = out.size();
        out.resize(base + room);
        zet32s srcLen = len32(src.size() - done);
        zet32s dstLen = len32(room);
        const status_t s = fn(units(src) + done, &srcLen, reinterpret_cast<OutUnit*>(out.data() + base), &dstLen,
                              big_endian ? 1 : 0);
        if (failed(s)) {
            out.resize(base);
            return make_error(s);
        }
        out.resize(base + static_cast<std::size_t>(dstLen));
        if (srcLen <= 0) return make_error(zetStatusError);
        done += static_cast<std::size_t>(srcLen);
    }
    return {};
}
}  // namespace detail

// A whole text: a character cut by the end of the text passes through as malformed units.
inline result<std::u16string> utf8_to_utf16(std::string_view s, bool big_endian = false) {
    std::u16string out;
    auto r = detail::convert_all(s, out, big_endian, 1, zetsConvertUTF_8u16u);
    if (!r) return r.err();
    return out;
}
inline result<std::string> utf16_to_utf8(std::u16string_view s, bool big_endian = false) {
    std::string out;
    auto r = detail::convert_all(s, out, big_endian, 3, zetsConvertUTF_16u8u);
    if (!r) return r.err();
    return out;
}

// A stream converted chunk by chunk: a character cut by the end of one chunk is kept and finished
// with the next; finish() converts whatever is still kept as it stands. One object per stream.
namespace detail {
// How many units at the end of a UTF-8 chunk begin a character that the chunk cuts.
inline std::size_t utf8_cut(std::string_view s) noexcept {
    const std::size_t look = std::min<std::size_t>(5, s.size());
    for (std::size_t back = 1; back <= look; ++back) {
        const auto b = static_cast<unsigned char>(s[s.size() - back]);
        if ((b & 0xC0) == 0x80) continue;  // continuation byte
        if (b < 0xC0 || b > 0xFD) return 0;
        const std::size_t need = b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF8 ? 4 : b < 0xFC ? 5 : 6;
        return need > back ? back : 0;
    }
    return 0;
}
inline std::size_t utf16_cut(std::u16string_view s, bool big_endian) noexcept {
    if (s.empty()) return 0;
    auto u = static_cast<std::uint16_t>(s.back());
    if (big_endian) u = static_cast<std::uint16_t>((u >> 8) | (u << 8));
    return u >= 0xD800 && u <= 0xDBFF ? 1 : 0;
}
}  // namespace detail

template <class In, class Out>
class basic_utf_stream {
public:
    explicit basic_utf_stream(bool big_endian = false) : big_endian_(big_endian) {}
    // Converts chunk (after what the last chunk left), appending to out.
    result<void> feed(std::basic_string_view<In> chunk, std::basic_string<Out>& out) {
        const bool joined = !kept_.empty();
        if (joined) kept_.append(chunk);
        const std::basic_string_view<In> text = joined ? std::basic_string_view<In>(kept_) : chunk;
        const std::size_t whole = text.size() - cut_of(text);
        auto r = convert(text.substr(0, whole), out);
        if (joined) kept_.erase(0, whole);
        else kept_.assign(chunk.data() + whole, chunk.size() - whole);
        return r;
    }
    // The end of the stream: converts a kept partial character as malformed units.
    result<void> finish(std::basic_string<Out>& out) {
        auto r = convert(kept_, out);
        kept_.clear();
        return r;
    }
    std::size_t kept() const noexcept { return kept_.size(); }

private:
    std::size_t cut_of(std::basic_string_view<In> t) const noexcept {
        if constexpr (std::is_same_v<In, char>) return detail::utf8_cut(t);
        else return detail::utf16_cut(t, big_endian_);
    }
    result<void> convert(std::basic_string_view<In> t, std::basic_string<Out>& out) const {
        if constexpr (std::is_same_v<In, char>) return detail::convert_all(t, out, big_endian_, 1, zetsConvertUTF_8u16u);
        else return detail::convert_all(t, out, big_endian_, 3, zetsConvertUTF_16u8u);
    }
    bool big_endian_;
    std::basic_string<In> kept_;
};
using utf8_to_utf16_stream = basic_utf_stream<char, char16_t>;
using utf16_to_utf8_stream = basic_utf_stream<char16_t, char>;

}  // namespace zetch

#include "zetch_regex.hpp"

#endif  // ZETCH_HPP
