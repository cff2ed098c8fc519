// Reads the reference files of tests/data/ (written by tools/reference.py):
// one case a line, "function digits argument... = value".
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct referencecase {
    std::string function;
    int digits = 0;
    std::vector<std::string> arguments;
    std::string value;
    int line = 0;
};

inline std::vector<referencecase> readreference(const std::string& file)
{
    std::ifstream in(std::string(ZELK_TEST_DATA) + "/" + file);
    std::vector<referencecase> cases;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        if (text.empty() || text[0] == '#')
            continue;
        std::istringstream words(text);
        referencecase c;
        c.line = line;
        words >> c.function >> c.digits;
        for (std::string w; words >> w;) {
            if (w == "=") {
                words >> c.value;
                break;
            }
            c.arguments.push_back(w);
        }
        cases.push_back(c);
    }
    return cases;
}
