// log_scan < log: each line against a table of patterns at once; counts per pattern.
#include <iostream>
#include <string>
#include <vector>

#include "zetch.hpp"

int main() {
    struct Rule {
        const char* name;
        const char* pattern;
    } rules[] = {{"error", R"(\b(?:ERROR|FATAL)\b)"}, {"timeout", R"(timed? ?out after (\d+) ?ms)"}, {"ip", R"(\b(\d{1,3}(?:\.\d{1,3}){3})\b)"}};
    std::vector<zetch::regex> patterns;
    auto table = zetch::multi::create(3);
    if (!table) return 1;
    for (int i = 0; i < 3; ++i) {
        auto re = zetch::regex::compile(rules[i].pattern);
        if (!re) return std::cerr << rules[i].name << ": " << re.message() << "\n", 1;
        patterns.push_back(std::move(*re));  // moving keeps the compiled state the table refers to
    }
    for (int i = 0; i < 3; ++i)
        if (!table->add(patterns[static_cast<std::size_t>(i)], i + 1)) return 1;
    int counts[3] = {};
    std::string line;
    for (int number = 1; std::getline(std::cin, line); ++number) {
        auto results = table->search(line);
        if (!results) return std::cerr << results.message() << "\n", 1;
        for (const zetch::multi_result& r : *results) {
            if (!r.found) continue;
            ++counts[r.id - 1];
            std::cout << number << " " << rules[r.id - 1].name << ": " << r.found->str();
            if (auto g = (*r.found)[1]) std::cout << " (" << *g << ")";
            std::cout << "\n";
        }
    }
    for (int i = 0; i < 3; ++i) std::cout << rules[i].name << " " << counts[i] << "\n";
    return 0;
}
