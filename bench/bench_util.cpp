#include "bench_util.h"

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

}  // namespace bench
