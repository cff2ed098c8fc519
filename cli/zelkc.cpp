// zelkc: types keys into the calculator engine and prints the display.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "calc/calculator.h"
#include "calc/keys.h"
#include "calc/keytext.h"
#include "help.h"

#ifndef ZELK_VERSION
#define ZELK_VERSION "unknown"
#endif

namespace {

// Set while keys are typed, so that Ctrl+C cancels the computation instead
// of ending the program.
std::atomic<bool> computing{false};
// Set by a Ctrl+C while keys are typed: the engine clears its own cancel
// flag at the start of every key, so one that lands between two keys is
// kept here, and the rest of the line is not typed.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void oninterrupt(int)
{
    if (computing.load()) {
        interrupted.store(true);
        Calculator::cancel();
        return;
    }
    std::signal(SIGINT, SIG_DFL);
    std::raise(SIGINT);
}

[[noreturn]] void usageerror(const std::string& message)
{
    std::fprintf(stderr, "zelkc: %s (try zelkc --help)\n", message.c_str());
    std::exit(2);
}

// Gives the memory of a line's computation back to the system. The limb
// pool returns its blocks itself; the arrays of long products and
// quotients come from malloc, which keeps freed memory for reuse.
void givebackmemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

// Types keystrokes until a Ctrl+C; one that came between two keys shows as
// one that stopped a key does.
void typestrokes(Calculator& calculator, const std::vector<keystroke>& strokes)
{
    interrupted.store(false);
    computing.store(true);
    typekeys(calculator, strokes, [] { return !interrupted.load(); });
    computing.store(false);
    if (interrupted.load())
        calculator.showcanceled();
    givebackmemory();
}

// Reads one line of standard input into `line`, without its newline; false
// at the end of the input. A line longer than MAXLINE is read to its end,
// only its first MAXLINE bytes kept, and `toolong` set.
bool readline(std::string& line, bool& toolong)
{
    line.clear();
    toolong = false;
    int c = 0;
    while ((c = getc_unlocked(stdin)) != EOF && c != '\n') {
        if (line.size() < MAXLINE)
            line.push_back(static_cast<char>(c));
        else
            toolong = true;
    }
    return c != EOF || !line.empty() || toolong;
}

}  // namespace

int main(int argc, char** argv)
{
    int precision = 0;
    bool grouping = false;
    std::vector<std::string> keys;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(helptext().c_str(), stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("zelkc %s\n", ZELK_VERSION);
            return 0;
        }
        if (arg == "--") {
            keys.insert(keys.end(), argv + i + 1, argv + argc);
            break;
        }
        if (arg == "--grouping") {
            grouping = true;
        } else if (arg == "--precision" || arg.rfind("--precision=", 0) == 0) {
            std::string value;
            if (arg == "--precision") {
                if (++i == argc)
                    usageerror("--precision needs a number");
                value = argv[i];
            } else {
                value = arg.substr(std::strlen("--precision="));
            }
            char* end = nullptr;
            long p = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || p < Calculator::MINPRECISION ||
                p > Calculator::MAXPRECISION)
                usageerror("precision must be an integer from " +
                           std::to_string(Calculator::MINPRECISION) + " to " +
                           std::to_string(Calculator::MAXPRECISION) + ": " + value);
            precision = static_cast<int>(p);
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            usageerror("unknown option " + arg);
        } else {
            keys.push_back(arg);
        }
    }

    std::signal(SIGINT, oninterrupt);
#if defined(__GLIBC__)
    // A fixed threshold: large arrays are mapped on their own and unmapped
    // when freed, instead of raising the threshold and staying in the heap.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
    Calculator calculator;
    if (precision != 0)
        calculator.setprecision(precision);
    if (grouping)
        calculator.presskey(key::grouping);

    if (!keys.empty()) {
        // Check every argument before typing any.
        for (const std::string& k : keys) {
            std::vector<keystroke> strokes;
            std::string error;
            if (!parsekeytext(k, strokes, error))
                usageerror(error);
        }
        for (const std::string& k : keys) {
            std::vector<keystroke> strokes;
            std::string error;
            parsekeytext(k, strokes, error);
            typestrokes(calculator, strokes);
        }
        std::printf("%s\n", calculator.display().c_str());
        return 0;
    }
    // A line that cannot be typed is reported with its number and gives no
    // display; the session goes on, and ends with status 2.
    int status = 0;
    std::string line;
    bool toolong = false;
    for (long number = 1; readline(line, toolong); ++number) {
        std::vector<keystroke> strokes;
        std::string error;
        if (toolong)
            error = "longer than " + std::to_string(MAXLINE) + " bytes, not typed";
        else if (!parsekeytext(line, strokes, error))
            error += ", line not typed";
        if (!error.empty()) {
            std::fflush(stdout);
            std::fprintf(stderr, "zelkc: line %ld: %s\n", number, error.c_str());
            status = 2;
            continue;
        }
        typestrokes(calculator, strokes);
        std::printf("%s\n", calculator.display().c_str());
        std::fflush(stdout);
    }
    return status;
}
