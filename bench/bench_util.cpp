#include "bench_util.h"

#include <cstdio>
#include <map>
#include <random>

namespace bench {

const std::vector<zet8u>& letters(std::size_t n) {
    static std::map<std::size_t, std::vector<zet8u>> cache;
    auto& v = cache[n];
    if (v.size() != n) {
        std::mt19937 rng(12345);
        v.resize(n);
        for (auto& c : v) c = static_cast<zet8u>('a' + rng() % 26);
    }
    return v;
}

const std::vector<zet16u>& letters16(std::size_t n) {
    static std::map<std::size_t, std::vector<zet16u>> cache;
    auto& v = cache[n];
    if (v.size() != n) {
        std::mt19937 rng(12345);
        v.resize(n);
        for (auto& c : v) c = static_cast<zet16u>('a' + rng() % 26);
    }
    return v;
}

namespace {

// After a word: now and then a comma or a full stop (which may end the sentence), then a space
// or, one time in twelve, a newline.
void endWord(std::vector<zet8u>& v, int& sentence, std::mt19937& rng) {
    ++sentence;
    if (sentence > 6 && rng() % 8 == 0) {
        v.push_back(rng() % 5 == 0 ? ',' : '.');
        sentence = rng() % 3 == 0 ? 0 : sentence;
    }
    v.push_back(rng() % 12 == 0 ? '\n' : ' ');
}

// A word, capitalised at the start of a sentence, and what follows it.
void putWord(std::vector<zet8u>& v, std::string w, int& sentence, std::mt19937& rng) {
    if (sentence == 0 && w[0] >= 'a') w[0] = static_cast<char>(w[0] - 32);
    v.insert(v.end(), w.begin(), w.end());
    endWord(v, sentence, rng);
}

}  // namespace

const std::vector<zet8u>& english(std::size_t n) {
    static const char* const words[] = {
        "the", "of", "and", "to", "in", "is", "was", "that", "for", "with", "as", "his", "on", "be", "at", "by",
        "had", "not", "are", "but", "from", "or", "have", "an", "they", "which", "one", "you", "were", "her",
        "all", "she", "there", "would", "their", "we", "him", "been", "has", "when", "who", "will", "more",
        "no", "if", "out", "so", "said", "what", "up", "its", "about", "into", "than", "them", "can", "only",
        "other", "new", "some", "could", "time", "these", "two", "may", "then", "do", "first", "any", "my",
        "now", "such", "like", "our", "over", "man", "me", "even", "most", "made", "after", "also", "did",
        "many", "before", "must", "through", "back", "years", "where", "much", "your", "way", "well", "down",
        "should", "because", "each", "just", "those", "people", "how", "too", "little", "state", "good",
        "very", "make", "world", "still", "own", "see", "men", "work", "long", "get", "here", "between",
        "both", "life", "being", "under", "never", "day", "same", "another", "know", "while", "last",
        "might", "us", "great", "old", "year", "off", "come", "since", "against", "go", "came", "right",
        "used", "take", "three", "himself", "few", "house", "use", "during", "without", "again", "place",
        "American", "around", "however", "home", "small", "found", "Mrs", "thought", "went", "say", "part",
        "once", "general", "high", "upon", "school", "every", "don't", "does", "got", "united", "left",
        "number", "course", "war", "until", "always", "away", "something", "fact", "though", "water"};
    static std::map<std::size_t, std::vector<zet8u>> cache;
    auto& v = cache[n];
    if (v.size() != n) {
        std::mt19937 rng(2024);
        v.clear();
        v.reserve(n + 16);
        int sentence = 0;
        while (v.size() < n) putWord(v, words[rng() % std::size(words)], sentence, rng);
        v.resize(n);
    }
    return v;
}

const std::vector<zet8u>& prose(std::size_t n) {
    static const char* const words[] = {
        "the", "of", "and", "to", "in", "is", "was", "that", "for", "with", "as", "his", "on", "be", "at",
        "by", "had", "not", "are", "but", "from", "or", "have", "an", "they", "which", "one", "you", "were",
        "her", "all", "she", "there", "would", "their", "river", "morning", "evening", "nothing", "thing",
        "king", "during", "being", "something", "everything", "long", "along", "young", "spring", "string",
        "looking", "going", "coming", "saying", "thinking", "bring", "sing", "ring", "Tom", "Huck", "Becky",
        "Mississippi", "St. Petersburg", "steamboat", "raft", "island", "cave", "village", "Sunday",
        "school", "fence", "whitewash", "aunt", "Polly", "widow", "Douglas", "treasure", "money", "town",
        "night", "day", "water", "boy", "boys", "girl", "time", "way", "down", "up", "out", "over", "again",
        "never", "ever", "said", "says", "went", "came", "got", "took", "made", "saw", "knew", "thought"};
    static const char* const hosts[] = {"example.com", "mail.river.org", "steam.boat.net", "ex.co.uk"};
    static std::map<std::size_t, std::vector<zet8u>> cache;
    auto& v = cache[n];
    if (v.size() != n) {
        std::mt19937 rng(1876);
        v.clear();
        v.reserve(n + 128);
        const auto put = [&](const std::string& s) { v.insert(v.end(), s.begin(), s.end()); };
        const auto num = [&](unsigned lo, unsigned hi) { return std::to_string(lo + rng() % (hi - lo + 1)); };
        int sentence = 0;
        while (v.size() < n) {
            const unsigned pick = rng() % 400;
            if (pick == 0) {
                put(std::string(words[rng() % std::size(words)]) + "." + num(1, 99) + "@" + hosts[rng() % 4]);
            } else if (pick == 1) {
                put(std::string(rng() % 2 ? "https" : "http") + "://" + hosts[rng() % 4] + "/" +
                    words[rng() % std::size(words)] + "/index.html?page=" + num(1, 40) + "#top");
            } else if (pick == 2) {
                put(num(1, 255) + "." + num(0, 255) + "." + num(0, 255) + "." + num(0, 255));
            } else if (pick < 12) {
                put(num(1, 1999));
            } else {
                putWord(v, words[rng() % std::size(words)], sentence, rng);
                continue;
            }
            endWord(v, sentence, rng);
        }
        v.resize(n);
    }
    return v;
}

const std::vector<zet8u>& proseWithPairs(std::size_t n) {
    static const char* const words[] = {"river", "quiet", "morning", "letter", "people", "between", "station", "written",
                                        "the",   "of",    "and",     "to",     "was",    "she",     "never",   "garden",
                                        "after", "house", "small",   "told",   "again",  "window",  "evening", "answer"};
    static const char* const names[] = {"anna", "ben", "clara", "david", "emil", "fiona", "greg", "hanna"};
    static const char* const hosts[] = {"example", "mailhost", "northwind", "postbox"};
    static std::map<std::size_t, std::vector<zet8u>> cache;
    auto& v = cache[n];
    if (v.size() != n) {
        std::mt19937 rng(1207);
        v.clear();
        v.reserve(n + 32);
        int sentence = 0;
        while (v.size() < n) {
            std::string w;
            const unsigned r = rng() % 120;
            if (r < 10) w = std::string(names[rng() % std::size(names)]) + "@" + hosts[rng() % std::size(hosts)] + ".com";
            else if (r < 22) w = std::to_string(1 + rng() % 31) + "-" + std::to_string(1 + rng() % 12);
            else w = words[rng() % std::size(words)];
            if (sentence == 0 && w[0] >= 'a') w[0] = static_cast<char>(w[0] - 32);
            v.insert(v.end(), w.begin(), w.end());
            ++sentence;
            if (sentence > 6 && rng() % 8 == 0) {
                v.push_back('.');
                sentence = 0;
            }
            v.push_back(rng() % 12 == 0 ? '\n' : ' ');
        }
        v.resize(n);
    }
    return v;
}

const std::vector<zet8u>& proseAndLogs(std::size_t n) {
    static const char* const levels[] = {"INFO", "INFO", "INFO", "DEBUG", "WARN"};
    static const char* const methods[] = {"GET", "GET", "GET", "POST", "PUT"};
    static const char* const users[] = {"alice", "bob", "carol", "dave", "erin", "frank"};
    static const char* const paths[] = {"items", "users", "orders", "search", "health"};
    static const int statuses[] = {200, 200, 200, 201, 204, 301, 304, 404};
    static std::map<std::size_t, std::vector<zet8u>> cache;
    auto& v = cache[n];
    if (v.size() != n) {
        std::mt19937 rng(6808);
        const auto pick = [&](int k) { return static_cast<int>(rng() % static_cast<unsigned>(k)); };
        const std::vector<zet8u>& prose = english(n);
        v.clear();
        v.reserve(n + 256);
        for (std::size_t i = 0; i < prose.size() && v.size() < n; ++i) {
            v.push_back(prose[i]);
            if (prose[i] != '\n' || pick(3) != 0) continue;
            char line[256];
            const int len = std::snprintf(
                line, sizeof line,
                "2024-%02d-%02d %02d:%02d:%02d %s [worker-%d] %s /api/v%d/%s/%d status=%d user=%s "
                "from 10.%d.%d.%d latency %dms cache %s session %08x%08x contact %s@example.com\n",
                1 + pick(12), 1 + pick(28), pick(24), pick(60), pick(60), levels[pick(5)], pick(16), methods[pick(5)],
                1 + pick(2), paths[pick(5)], pick(100000), statuses[pick(8)], users[pick(6)], pick(256), pick(256),
                pick(256), 1 + pick(900), pick(2) ? "hit" : "miss", static_cast<unsigned>(rng()),
                static_cast<unsigned>(rng()), users[pick(6)]);
            v.insert(v.end(), line, line + len);
        }
        v.resize(n);
    }
    return v;
}

}  // namespace bench
