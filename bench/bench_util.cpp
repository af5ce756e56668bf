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
        while (v.size() < n) {
            std::string w = words[rng() % std::size(words)];
            if (sentence == 0 && w[0] >= 'a') w[0] = static_cast<char>(w[0] - 32);
            v.insert(v.end(), w.begin(), w.end());
            ++sentence;
            if (sentence > 6 && rng() % 8 == 0) {
                v.push_back(rng() % 5 == 0 ? ',' : '.');
                sentence = rng() % 3 == 0 ? 0 : sentence;
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
