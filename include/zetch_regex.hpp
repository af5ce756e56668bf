// zetch_regex.hpp: the regular expressions of zetch.hpp (included by it): zetch::regex,
// zetch::replace and zetch::multi over the C search, replacement and table calls.
#ifndef ZETCH_REGEX_HPP
#define ZETCH_REGEX_HPP

#include "zetch.hpp"

namespace zetch {

// One match: the whole match and its groups as views into the searched text. A group that did
// not take part is nullopt, told apart from one that matched the empty string.
class match {
public:
    match() = default;
    match(const RegExpMatchRecord* records, std::size_t count, std::string_view text) {
        groups_.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            const RegExpMatchRecord& r = records[i];
            if (r.pStr == nullptr || r.len < 0) groups_.emplace_back(std::nullopt);
            else groups_.emplace_back(std::string_view(reinterpret_cast<const char*>(r.pStr), static_cast<std::size_t>(r.len)));
        }
        if (!groups_.empty() && groups_[0]) position_ = static_cast<std::size_t>(groups_[0]->data() - text.data());
    }
    // The whole match and its offset in the text.
    std::string_view str() const { return size() > 0 && groups_[0] ? *groups_[0] : std::string_view{}; }
    std::size_t position() const noexcept { return position_; }
    // Records: the whole match, then every group of the pattern.
    std::size_t size() const noexcept { return groups_.size(); }
    // Group i (0: the whole match); nullopt when it did not take part or the pattern has no group i.
    std::optional<std::string_view> operator[](std::size_t i) const { return i < size() ? groups_[i] : std::nullopt; }

private:
    std::vector<std::optional<std::string_view>> groups_;
    std::size_t position_ = 0;
};

class regex;
class match_range;
class multi;
result<std::string> replace(regex& re, std::string_view text, std::string_view templ, std::size_t buffer = 0);

namespace detail {
struct state_free {
    void operator()(RegExpState* s) const noexcept { zetsRegExpFree(s); }
};
using state_ptr = std::unique_ptr<RegExpState, state_free>;

inline error moved_from() noexcept { return error{zetStatusNullPointer, "regex without a compiled state (moved from)", -1}; }

// The first match of a state compiled without "g", its records grown until every group fits.
// groups: a guess of the record count in, the count found out (when there was a match).
inline result<std::optional<match>> first_match(RegExpState* state, std::string_view text, int& groups) {
    if (!fits(text.size())) return make_error(zetStatusBadLength);
    std::vector<RegExpMatchRecord> records(static_cast<std::size_t>(std::max(groups, 16)));
    for (;;) {
        zet32s num = len32(records.size());
        const status_t s = zetsRegExpFind_8u(units(text), len32(text.size()), state, records.data(), &num);
        if (failed(s)) return make_error(s);
        if (s == zetStatusRegExpRecordsTruncated && records.size() < kMaxLen / 2) {
            records.resize(records.size() * 2);
            continue;
        }
        if (num <= 0) return std::optional<match>{};
        groups = num;
        return std::optional<match>(match(records.data(), static_cast<std::size_t>(num), text));
    }
}
}  // namespace detail

// A compiled pattern: owns its compiled states (one as compiled, one with "g" for find_all and
// replacement) and releases them when destroyed. Move-only; a moved-from regex refuses every call.
// A regex serves one thread at a time: searching mutates its state, so give each thread its own.
class regex {
public:
    // Compiles pattern with the option letters "gimsx"; a failure carries the error's offset in
    // the pattern (err().offset). A pattern cannot hold a zero byte.
    static result<regex> compile(std::string_view pattern, std::string_view options = {}) {
        if (const auto nul = pattern.find('\0'); nul != std::string_view::npos) return make_error(zetStatusBadArgument, static_cast<std::ptrdiff_t>(nul));
        if (options.find('\0') != std::string_view::npos) return make_error(zetStatusRegExpBadOption);
        const std::string pat(pattern);
        std::string plain;
        for (char c : options) if (c != 'g') plain += c;
        const std::string all = plain + 'g';
        regex re;
        re.global_ = plain.size() != options.size();
        RegExpState* st = nullptr;
        zet32s offset = -1;
        status_t s = zetsRegExpInitAlloc(pat.c_str(), plain.c_str(), &st, &offset);
        if (detail::failed(s)) return make_error(s, offset);
        re.plain_.reset(st);
        st = nullptr;
        s = zetsRegExpInitAlloc(pat.c_str(), all.c_str(), &st, &offset);
        if (detail::failed(s)) return make_error(s, offset);
        re.all_.reset(st);
        return re;
    }

    regex(regex&& o) noexcept : plain_(std::move(o.plain_)), all_(std::move(o.all_)), groups_(o.groups_), global_(o.global_) {}
    regex& operator=(regex&& o) noexcept {
        plain_ = std::move(o.plain_);
        all_ = std::move(o.all_);
        groups_ = o.groups_;
        global_ = o.global_;
        return *this;
    }
    regex(const regex&) = delete;
    regex& operator=(const regex&) = delete;
    ~regex() = default;

    bool valid() const noexcept { return plain_ != nullptr; }
    // Compiled with "g": replace() then replaces every match, not the first.
    bool global() const noexcept { return global_; }

    // The first match in text, or nullopt.
    result<std::optional<match>> search(std::string_view text) {
        if (!valid()) return detail::moved_from();
        return detail::first_match(plain_.get(), text, groups_);
    }

    // Every match, in the order and by the rules of the global search (after an empty match at
    // m, a non-empty match of the unit at m, then on from m + 1). Each match is searched in the
    // whole text, so ^, \b and look-behind see what precedes it. The records come from the
    // library's global search (through the replacement call, which keeps the whole match with its
    // groups); when a search fills its record array, the range searches again from the start of
    // the text with twice the room and goes on after the matches it has given, so any number of
    // matches comes out. batch: the matches room for the first search. Errors end the range:
    // check status() after the loop.
    match_range find_all(std::string_view text, std::size_t batch = 64);

    // The matcher's budget for each search (default 10000).
    result<void> set_match_limit(int limit) {
        if (!valid()) return detail::moved_from();
        for (RegExpState* st : {plain_.get(), all_.get()}) {
            const status_t s = zetsRegExpSetMatchLimit(limit, st);
            if (detail::failed(s)) return make_error(s);
        }
        return {};
    }
    // Subject as UTF-8 characters (the default) or as bytes.
    result<void> set_utf8(bool utf8) {
        if (!valid()) return detail::moved_from();
        for (RegExpState* st : {plain_.get(), all_.get()}) {
            const status_t s = zetsRegExpSetFormat(utf8 ? 1 : 0, st);
            if (detail::failed(s)) return make_error(s);
        }
        return {};
    }

private:
    friend class match_range;
    friend class multi;
    friend result<std::string> replace(regex&, std::string_view, std::string_view, std::size_t);
    regex() = default;
    detail::state_ptr plain_;
    detail::state_ptr all_;
    int groups_ = 0;  // records per match once a search has found one, else 0
    bool global_ = false;
};

// The matches of regex::find_all: an input range (one pass), a view into the text. It refers to
// the regex, which must outlive it and not be searched by anything else meanwhile.
class match_range {
public:
    class iterator {
    public:
        using value_type = match;
        using difference_type = std::ptrdiff_t;
        using iterator_concept = std::input_iterator_tag;
        iterator() = default;
        explicit iterator(match_range* r) : r_(r) {}
        const match& operator*() const { return r_->current_; }
        const match* operator->() const { return &r_->current_; }
        iterator& operator++() {
            r_->next();
            return *this;
        }
        void operator++(int) { ++*this; }
        bool operator==(std::default_sentinel_t) const { return r_ == nullptr || r_->done_; }

    private:
        match_range* r_ = nullptr;
    };

    match_range(regex* re, std::string_view text, std::size_t batch) : re_(re), text_(text), batch_(std::max<std::size_t>(batch, 1)) {}
    match_range(const match_range&) = delete;
    match_range& operator=(const match_range&) = delete;
    match_range(match_range&&) = default;

    iterator begin() {
        if (!started_) start();
        return iterator(this);
    }
    std::default_sentinel_t end() const noexcept { return {}; }
    // Ok, or the error that ended the range early.
    const result<void>& status() const noexcept { return status_; }

private:
    void fail(error e) {
        status_ = e;
        done_ = true;
    }
    void start() {
        started_ = true;
        if (re_ == nullptr || !re_->valid()) return fail(detail::moved_from());
        if (!detail::fits(text_.size())) return fail(make_error(zetStatusBadLength));
        // The first match of the global search is the single search's: it also tells the records
        // per match. An empty text has that one match at most (the replacement call needs a byte).
        auto first = detail::first_match(re_->plain_.get(), text_, re_->groups_);
        if (!first) return fail(first.err());
        if (!*first) return void(done_ = true);
        groups_ = static_cast<std::size_t>(re_->groups_);
        if (text_.empty()) {
            current_ = std::move(**first);
            loaded_ = 1;
            return;
        }
        load();
        if (!done_ && loaded_ == 0) done_ = true;
        if (!done_) current_ = match(records_.data(), groups_, text_);
    }
    // The global search from the start of the text with room for batch_ matches.
    void load() {
        if (groups_ > detail::kMaxLen / batch_) return fail(make_error(zetStatusBadLength));
        records_.resize(groups_ * batch_);
        static_assert(sizeof(zet32u) * 3 <= 16);
        zet32u none[4] = {};  // a template state without items: 12 bytes
        auto* rstate = reinterpret_cast<RegExpReplaceState*>(none);
        status_t s = zetsRegExpReplaceInit(nullptr, rstate);
        if (detail::failed(s)) return fail(make_error(s));
        zet32s srcLen = detail::len32(text_.size());
        char sink[1];
        zet32s dstLen = 1;  // the records are what is wanted: the search fills them all first
        zet32s num = detail::len32(records_.size());
        s = zetsRegExpReplace_8u(detail::units(text_), &srcLen, reinterpret_cast<zet8u*>(sink), &dstLen, records_.data(), &num,
                                 re_->all_.get(), rstate);
        if (detail::failed(s)) return fail(make_error(s));
        loaded_ = static_cast<std::size_t>(num) / groups_;
        more_ = static_cast<std::size_t>(num) == records_.size();
    }
    void next() {
        if (done_) return;
        ++index_;
        if (index_ >= loaded_ && more_) {
            batch_ *= 2;
            load();
            if (done_) return;
        }
        if (index_ >= loaded_) return void(done_ = true);
        current_ = match(records_.data() + index_ * groups_, groups_, text_);
    }

    regex* re_;
    std::string_view text_;
    std::size_t batch_;
    std::size_t groups_ = 1;
    std::vector<RegExpMatchRecord> records_;
    std::size_t loaded_ = 0;  // matches in records_
    std::size_t index_ = 0;   // the current match
    bool more_ = false;       // records_ was full: more matches may follow
    bool started_ = false;
    bool done_ = false;
    match current_;
    result<void> status_;
};

inline match_range regex::find_all(std::string_view text, std::size_t batch) { return match_range(this, text, batch); }

// text with the first match of re, or every match when re was compiled with "g", replaced by
// the expanded template ("$&" the match, "$N" group N, a backslash takes the next byte literally).
// Built on the library's resumable replacement through an internal destination of buffer bytes
// (0: chosen from the text's length so one call usually does), reused from call to call and
// doubled when the next piece does not fit. As the library says, each resumed call searches from
// its own start: a pattern that looks before its start (^, \b, look-behind) can match
// differently where a call resumes, which the default size makes rare. Without "g" the one
// replacement is always made in a single call (the destination grows until it fits). The library
// needs a source of at least one byte: an empty text gives an empty result.
inline result<std::string> replace(regex& re, std::string_view text, std::string_view templ, std::size_t buffer) {
    using namespace detail;
    if (!re.valid()) return moved_from();
    if (!fits(text.size())) return make_error(zetStatusBadLength);
    if (const auto nul = templ.find('\0'); nul != std::string_view::npos) return make_error(zetStatusBadArgument, static_cast<std::ptrdiff_t>(nul));
    const std::string t(templ);
    zet32s size = 0;
    status_t s = zetsRegExpReplaceGetSize(t.c_str(), &size);
    if (failed(s)) return make_error(s);
    std::vector<zet32u> rstate((static_cast<std::size_t>(size) + 3) / 4);
    auto* rs = reinterpret_cast<RegExpReplaceState*>(rstate.data());
    s = zetsRegExpReplaceInit(t.c_str(), rs);
    if (failed(s)) return make_error(s);
    std::string out;
    if (text.empty()) return out;

    const bool global = re.global();
    RegExpState* state = global ? re.all_.get() : re.plain_.get();
    std::size_t room = buffer ? buffer : std::min(text.size() + text.size() / 2 + 256, kMaxLen);
    room = std::min(room, kMaxLen);
    std::string dst(room, '\0');
    const std::size_t perMatch = static_cast<std::size_t>(std::max(re.groups_, 1));
    std::vector<RegExpMatchRecord> records(global ? perMatch * 64 : std::max<std::size_t>(perMatch, 16));
    std::size_t pos = 0;
    while (pos < text.size()) {
        zet32s srcLen = len32(text.size() - pos);
        zet32s dstLen = len32(dst.size());
        zet32s num = len32(records.size());
        s = zetsRegExpReplace_8u(units(text) + pos, &srcLen, u8(dst), &dstLen, records.data(), &num, state, rs);
        if (failed(s)) return make_error(s);
        // Records cut short: matches past them would be copied unchanged. Again with more room.
        if (s == zetStatusRegExpRecordsTruncated || (global && static_cast<std::size_t>(num) == records.size())) {
            if (records.size() > kMaxLen / 2) return make_error(zetStatusBadLength);
            records.resize(records.size() * 2);
            continue;
        }
        const bool whole = static_cast<std::size_t>(srcLen) == text.size() - pos;
        if (srcLen == 0 || (!global && !whole)) {
            if (dst.size() >= kMaxLen) return make_error(zetStatusBadLength);
            dst.resize(std::min(dst.size() * 2, kMaxLen));
            continue;
        }
        out.append(dst.data(), static_cast<std::size_t>(dstLen));
        pos += static_cast<std::size_t>(srcLen);
    }
    return out;
}

// A table of compiled patterns searched together: per pattern, its first match in the text.
// It holds references: each regex must stay alive (it may be moved) while it stands in the
// table. The table searches its slots on several threads, and a regex serves one thread at a
// time, so the same regex is refused in two slots.
struct multi_result {
    int id = 0;
    status_t status = zetStatusOk;
    std::optional<match> found;
};

class multi {
public:
    static result<multi> create(int capacity) {
        RegExpMultiState* t = nullptr;
        const status_t s = zetsRegExpMultiInitAlloc(&t, capacity);
        if (detail::failed(s)) return make_error(s);
        multi m;
        m.table_.reset(t);
        m.slots_.resize(static_cast<std::size_t>(capacity));
        return m;
    }
    multi(multi&&) noexcept = default;
    multi& operator=(multi&&) noexcept = default;

    // Puts re in the first free slot under id (not 0).
    result<void> add(regex& re, int id) {
        if (!table_) return make_error(zetStatusNullPointer);
        if (!re.valid()) return detail::moved_from();
        for (const slot& s : slots_)
            if (s.state == re.plain_.get()) return error{zetStatusBadArgument, "regex already in a slot of the table", -1};
        const status_t s = zetsRegExpMultiAdd(re.plain_.get(), id, table_.get());
        if (detail::failed(s)) return make_error(s);
        for (slot& sl : slots_)
            if (sl.state == nullptr) {
                sl = slot{re.plain_.get(), id, re.groups_};
                break;
            }
        return {};
    }
    // Empties the first slot with identifier id.
    result<void> remove(int id) {
        if (!table_) return make_error(zetStatusNullPointer);
        const status_t s = zetsRegExpMultiDelete(id, table_.get());
        if (detail::failed(s)) return make_error(s);
        for (slot& sl : slots_)
            if (sl.state != nullptr && sl.id == id) {
                sl = slot{};
                break;
            }
        return {};
    }

    // One entry per occupied slot, in slot order.
    result<std::vector<multi_result>> search(std::string_view text) {
        if (!table_) return make_error(zetStatusNullPointer);
        if (!detail::fits(text.size())) return make_error(zetStatusBadLength);
        std::vector<multi_result> out;
        if (text.empty()) {  // the table search needs a byte: each pattern alone
            for (slot& sl : slots_)
                if (sl.state != nullptr) out.push_back(one(sl, text));
            return out;
        }
        std::vector<RegExpMultiResult> results(slots_.size());
        std::vector<std::vector<RegExpMatchRecord>> records(slots_.size());
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            records[i].resize(static_cast<std::size_t>(std::max(slots_[i].groups, 16)));
            results[i].numMatch = detail::len32(records[i].size());
            results[i].pMatch = records[i].data();
        }
        const status_t s = zetsRegExpMultiFind_8u(detail::units(text), detail::len32(text.size()), results.data(), table_.get());
        if (detail::failed(s)) return make_error(s);
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            const RegExpMultiResult& r = results[i];
            if (r.searched != 1) continue;
            if (r.status == zetStatusRegExpRecordsTruncated) {  // more groups than records: alone again
                out.push_back(one(slots_[i], text));
                continue;
            }
            multi_result m{r.id, r.status, std::nullopt};
            if (!detail::failed(r.status) && r.numMatch > 0) m.found = match(r.pMatch, static_cast<std::size_t>(r.numMatch), text);
            out.push_back(std::move(m));
        }
        return out;
    }

private:
    struct table_free {
        void operator()(RegExpMultiState* t) const noexcept { zetsRegExpMultiFree(t); }
    };
    struct slot {
        RegExpState* state = nullptr;
        int id = 0;
        int groups = 0;
    };
    multi() = default;
    static multi_result one(slot& sl, std::string_view text) {
        auto r = detail::first_match(sl.state, text, sl.groups);
        if (!r) return multi_result{sl.id, r.status(), std::nullopt};
        return multi_result{sl.id, zetStatusOk, std::move(*r)};
    }
    std::unique_ptr<RegExpMultiState, table_free> table_;
    std::vector<slot> slots_;
};

}  // namespace zetch

#endif  // ZETCH_REGEX_HPP
