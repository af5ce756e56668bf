// Compiled (never run) by header_check.sh with g++ and clang++, with and without exceptions,
// under -Wall -Wextra -Werror: every template of zetch.hpp is instantiated here.
#include "zetch.hpp"

#include <ranges>

static_assert(std::ranges::input_range<zetch::match_range>);
static_assert(std::ranges::forward_range<zetch::split_view>);

int check() {
    int n = 0;
    std::string s = "Abc";
    std::u16string u = u"Abc";
    n += *zetch::compare(s, s) + *zetch::compare(u, u) + *zetch::compare_latin_caseless(s, s) +
         *zetch::compare_latin_caseless(u, u) + *zetch::compare_caseless(u, u);
    n += *zetch::equal(s, s) + *zetch::equal(u, u) + *zetch::equal_latin_caseless(s, s) + *zetch::equal_caseless(u, u);
    n += zetch::find(s, "b")->has_value() + zetch::find(u, u"b")->has_value() + zetch::rfind(s, "b")->has_value() +
         zetch::rfind(u, u"b")->has_value() + zetch::find(s, 'b')->has_value() + zetch::find(u, u'b')->has_value() +
         zetch::rfind(s, 'b')->has_value() + zetch::rfind(u, u'b')->has_value() + zetch::find_any(s, "bc")->has_value() +
         zetch::find_any(u, u"bc")->has_value() + zetch::rfind_any(s, "bc")->has_value() + zetch::rfind_any(u, u"bc")->has_value();
    n += static_cast<int>(zetch::trim(s, "A")->size() + zetch::trim(u, u"A", zetch::trim_side::end)->size());
    for (auto piece : zetch::split_view(s, 'b')) n += static_cast<int>(piece.size());
    for (auto piece : zetch::u16split_view(u, u'b')) n += static_cast<int>(piece.size());
    n += static_cast<int>(zetch::split(s, 'b')->size() + zetch::split(u, u'b')->size());
    n += static_cast<int>(zetch::join(std::vector<std::string_view>{"a", "b"}, ',')->size() + zetch::join(std::vector<std::u16string_view>{u"a", u"b"})->size());
    n += zetch::replace_char(s, 'b', 'c').ok() + zetch::replace_char(u, u'b', u'c').ok();
    n += zetch::to_upper_latin(s).ok() + zetch::to_lower_latin(s).ok() + zetch::to_upper_latin(u).ok() +
         zetch::to_lower_latin(u).ok() + zetch::to_upper(u).ok() + zetch::to_lower(u).ok();
    n += static_cast<int>(*zetch::hash(s) + *zetch::hash(u) + *zetch::hash_sj2(s) + *zetch::hash_sj2(u) +
                          *zetch::hash_mscs(s) + *zetch::hash_mscs(u));
    n += static_cast<int>(zetch::utf8_to_utf16(s)->size() + zetch::utf16_to_utf8(u, true)->size());
    zetch::utf8_to_utf16_stream in;
    zetch::utf16_to_utf8_stream back;
    n += in.feed(s, u).ok() + in.finish(u).ok() + back.feed(u, s).ok() + back.finish(s).ok();
    auto re = zetch::regex::compile("(a)|b", "g");
    if (!re) return re.err().offset > 0 ? 1 : 2;
    n += re->set_match_limit(100).ok() + re->set_utf8(false).ok() + re->global();
    if (auto m = re->search(s); m && *m) n += static_cast<int>((**m)[1].value_or("").size() + (*m)->position());
    auto all = re->find_all(s);
    for (const zetch::match& m : all) n += static_cast<int>(m.str().size());
    n += all.status().ok();
    n += static_cast<int>(zetch::replace(*re, s, "[$1]").value_or(std::string()).size());
    auto table = zetch::multi::create(2);
    if (!table || !table->add(*re, 1)) return 3;
    for (const zetch::multi_result& r : *table->search(s)) n += r.id + (r.found ? 1 : 0);
    n += table->remove(1).ok();
    return n;
}
