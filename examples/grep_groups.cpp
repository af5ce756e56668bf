// grep_groups PATTERN [OPTIONS] < text: every match of PATTERN in each line, with its groups.
#include <iostream>
#include <string>

#include "zetch.hpp"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: grep_groups PATTERN [OPTIONS] < text\n";
        return 2;
    }
    auto re = zetch::regex::compile(argv[1], argc > 2 ? argv[2] : "");
    if (!re) {
        std::cerr << "bad pattern at " << re.err().offset << ": " << re.message() << "\n";
        return 2;
    }
    std::string line;
    for (int number = 1; std::getline(std::cin, line); ++number) {
        auto matches = re->find_all(line);
        for (const zetch::match& m : matches) {
            std::cout << number << ":" << m.position() << ": " << m.str();
            for (std::size_t g = 1; g < m.size(); ++g)
                std::cout << " [" << g << "]=" << (m[g] ? std::string(*m[g]) : "(unset)");
            std::cout << "\n";
        }
        if (!matches.status()) {
            std::cerr << "line " << number << ": " << matches.status().message() << "\n";
            return 1;
        }
    }
    return 0;
}
