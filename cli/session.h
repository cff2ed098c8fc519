// What zelkc does with its command line and its standard input, apart from
// the process: reading the options, and typing lines while printing a
// display for each. The fuzz target and zelkc share it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "calc/keytext.h"
#include "help.h"

class Calculator;

struct zelkcoptions {
    enum class request { type, help, version };
    request what = request::type;
    int precision = 0;  // 0: the engine's own
    bool grouping = false;
    std::vector<std::string> keys;  // the key texts of the arguments
};

// Reads the arguments after the program name. On a usage error returns false
// and says why in `error`.
bool readoptions(const std::vector<std::string>& args, zelkcoptions& options, std::string& error);

// Reads one line of `in` into `line`, without its newline; false at the end
// of the input. A line longer than `maxline` is read to its end, only its
// first `maxline` bytes kept, and `toolong` set.
bool readline(std::FILE* in, std::string& line, bool& toolong, std::size_t maxline = MAXLINE);

// Sends what is buffered for `out` on and tells whether everything written
// to it so far has reached it. Otherwise says so on `err` ("zelkc: cannot
// write standard output: No space left on device") and returns false.
bool delivered(std::FILE* out, std::FILE* err);

// Types each line of `in` with `type` and prints the display after it to
// `out`. A line that cannot be typed (a bad [name], longer than `maxline`)
// gives no display: "zelkc: line N: why" goes to `err`, and the lines after
// it are typed. Returns 0, or 2 when some line was not typed; 1 when a
// display could not be written (then no line after it is typed).
using strokestyper = std::function<void(Calculator&, const std::vector<keystroke>&)>;
int typelines(Calculator& calculator, std::FILE* in, std::FILE* out, std::FILE* err,
              const strokestyper& type, std::size_t maxline = MAXLINE);
