// Random patterns and subjects for differential tests against an independent engine (PCRE2).
//
// The grammar keeps to the part of the language where our rules and PCRE2's coincide: literals,
// escapes, classes and ranges, . \d \w and their negations, greedy and lazy * + ? {m,n},
// alternation, capturing and non-capturing groups, ^ $ \b \B and look-ahead, over ASCII subjects.
// Deliberately left out, because our rules differ on purpose:
// - \s and \S (byte 11 is not a space for us), bytes 0x80 and above (read as UTF-8 by us);
// - two neighbouring items of one character type (\d\d*? is merged into one greedy repeat), and
//   {,n} or {} (quantifiers for us, literals for PCRE2);
// - quantified assertions and look-arounds (passed over untested when the minimum is 0);
// - groups inside a repeated group, captures and repeats inside a repeated group, and repeated
//   groups whose body may match empty (one frame per group, given-up captures keep their values,
//   an empty repetition ends the repeat);
// - captures inside look-ahead (they keep their values when the look-ahead fails);
// - a look-ahead or $ in a pattern that ends with a required literal (the subject is cut after
//   the last occurrence of that literal, and they see the cut end): seesEnd() lets the caller
//   leave those out;
// - patterns that begin with .* or .+ (they start only at line starts);
// - back-references, \G, look-behind, atomic groups, conditionals and inline options.
#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace regexp_gen {

class Generator {
public:
    explicit Generator(std::uint32_t seed) : rng_(seed) {}

    std::string pattern() {
        for (;;) {
            groups_ = 0;
            seesEnd_ = lookahead_ = false;
            std::string p = alternation(0, Context{});
            if (p.size() >= 2 && p[0] == '.' && (p[1] == '*' || p[1] == '+')) continue;
            return p;
        }
    }

    std::string subject() {
        static const char kAlphabet[] = "aabbcAB.-_1 \n";
        std::string s;
        const int n = pick(0, 12);
        for (int i = 0; i < n; ++i) s += kAlphabet[pick(0, static_cast<int>(sizeof kAlphabet) - 2)];
        return s;
    }

    std::string options() {
        std::string o;
        if (pick(0, 3) == 0) o += 'i';
        if (pick(0, 3) == 0) o += 'm';
        if (pick(0, 3) == 0) o += 's';
        return o;
    }

    // Whether the last pattern holds a look-ahead or $, which see where the subject ends.
    bool seesEnd() const { return seesEnd_; }
    // Whether the last pattern holds a look-ahead.
    bool hasLookahead() const { return lookahead_; }

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

private:
    struct Context {
        bool inRepeatedGroup = false;
        bool inLookahead = false;
    };

    // At the top level every alternative but the last begins with a character it must take: an
    // alternative that ends at a top-level bar succeeds without the not-empty test of a global
    // search's retry.
    std::string alternation(int depth, Context ctx) {
        const int bars = pick(0, depth == 0 ? 2 : 1);
        std::string s;
        for (int n = 0; n <= bars; ++n) {
            if (n > 0) s += "|";
            s += sequence(depth, ctx, depth == 0 && n < bars);
        }
        return s;
    }

    std::string sequence(int depth, Context ctx, bool mustConsume = false) {
        std::string s = mustConsume ? (pick(0, 1) ? literal() : charClass()) : "";
        char lastType = 0;  // the character type of the previous item, if it was one
        for (int n = pick(1, 4); n > 0; --n) {
            std::string atom;
            char type = 0;
            bool quantifiable = true;
            const int kind = pick(0, ctx.inRepeatedGroup ? 3 : 9);
            if (kind <= 1) {
                atom = literal();
            } else if (kind == 2) {
                atom = charClass();
            } else if (kind == 3) {
                static const char kTypes[] = ".dDwW";
                type = kTypes[pick(0, 4)];
                if (type == lastType) type = type == '.' ? 'd' : '.';
                atom = type == '.' ? std::string(".") : std::string("\\") + type;
                // A repeated group of one character type is flattened into that type's repeat.
                if (lastType == '*') atom = literal(), type = 0;
            } else if (kind == 4 || kind == 5) {
                if (depth >= 2) {
                    atom = literal();
                } else if (!ctx.inLookahead && pick(0, 2) == 0) {
                    atom = repeatedGroup();
                    type = '*';
                    quantifiable = false;
                } else {
                    const bool capture = !ctx.inLookahead && pick(0, 1) == 0;
                    if (capture) ++groups_;
                    atom = (capture ? "(" : "(?:") + alternation(depth + 1, ctx) + ")";
                    quantifiable = false;  // a group that is not flat would repeat with a frame
                }
            } else if (kind == 6) {
                static const char* const kAsserts[] = {"^", "$", "\\b", "\\B"};
                atom = kAsserts[pick(0, 3)];
                if (atom == "$") seesEnd_ = true;
                quantifiable = false;
            } else if (kind == 7 && depth < 2 && !ctx.inLookahead) {
                Context inner = ctx;
                inner.inLookahead = true;
                seesEnd_ = lookahead_ = true;
                atom = (pick(0, 1) ? "(?=" : "(?!") + alternation(depth + 1, inner) + ")";
                quantifiable = false;
            } else {
                atom = literal();
            }
            if (quantifiable && !ctx.inRepeatedGroup && pick(0, 2) == 0) atom += quantifier();
            s += atom;
            lastType = type;
        }
        return s;
    }

    // A repeated non-capturing group whose alternatives each take at least one character and
    // hold no quantifier and no group.
    std::string repeatedGroup() {
        Context inner;
        inner.inRepeatedGroup = true;
        std::string body = sequence(2, inner);
        if (pick(0, 1)) {
            body += '|';
            body += sequence(2, inner);
        }
        static const char* const kQuants[] = {"*", "+", "?", "{2}", "{1,3}", "*?", "+?", "{0,2}?"};
        body.insert(0, "(?:");
        body += ')';
        return body + kQuants[pick(0, 7)];
    }

    std::string literal() {
        static const char* const kLiterals[] = {"a", "b", "c", "A", "ab", "\\.", "\\-", "_", "1", " ", "\\n"};
        return kLiterals[pick(0, 10)];
    }

    std::string charClass() {
        static const char* const kMembers[] = {"a", "b", "c", "a-c", "A-Z", "0-9", ".", "_", " ", "\\d", "\\w", "\\n"};
        std::string s = pick(0, 3) == 0 ? "[^" : "[";
        // "[." opens a collating element when another '.' follows: not as the first member.
        for (int n = pick(1, 3); n > 0; --n) {
            std::string m = kMembers[pick(0, 11)];
            if (s.back() != '^' && s.back() != '[') s += m;
            else s += m == "." ? "_." : m;
        }
        // A class of one \d or \w is that type, and would merge with a neighbour of its kind.
        if (s == "[\\d" || s == "[\\w") s += "_";
        return s + "]";
    }

    std::string quantifier() {
        static const char* const kQuants[] = {"*", "+", "?", "{2}", "{1,3}", "{0,2}", "{2,}"};
        std::string q = kQuants[pick(0, 6)];
        if (pick(0, 2) == 0) q += "?";
        return q;
    }

    std::mt19937 rng_;
    int groups_ = 0;
    bool lookahead_ = false;
    bool seesEnd_ = false;
};

}  // namespace regexp_gen
