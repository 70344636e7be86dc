// What setup-check tells a publisher to fix or to know. Every text is UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct Warning {
    std::string file;     // name on the medium ("Setup.ini", "0x0419.ini"), or "" for the run
    std::size_t line = 0; // 0: the file as a whole
    std::string message;
};

// Collects warnings as the checks find them.
struct Lint {
    std::vector<Warning> warnings;
    void add(const std::string& file, std::size_t line, const std::string& message) {
        warnings.push_back({file, line, message});
    }
};
