// zelkc: types keys into the calculator engine and prints the display.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "calc/calculator.h"
#include "calc/keys.h"
#include "calc/keytext.h"
#include "help.h"

#ifndef ZELK_VERSION
#define ZELK_VERSION "unknown"
#endif

namespace {

// Set while a key runs, so that Ctrl+C cancels the computation instead of
// ending the program.
std::atomic<bool> computing{false};

extern "C" void oninterrupt(int)
{
    if (computing.load()) {
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

// Types one key text and prints the display.
void typeline(Calculator& calculator, const std::string& text)
{
    std::vector<keystroke> strokes;
    std::string error;
    if (!parsekeytext(text, strokes, error))
        usageerror(error);
    computing.store(true);
    typekeys(calculator, strokes);
    computing.store(false);
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
        for (const std::string& k : keys)
            typeline(calculator, k);
        std::printf("%s\n", calculator.display().c_str());
        return 0;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        typeline(calculator, line);
        std::printf("%s\n", calculator.display().c_str());
        std::fflush(stdout);
    }
    return 0;
}
