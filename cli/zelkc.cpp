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

#ifndef ZELK_VERSION
#define ZELK_VERSION "unknown"
#endif

namespace {

const char usage[] = "Usage: zelkc [--precision N] [--grouping] [KEYS ...]\n"
                     "\n"
                     "Types KEYS into the ZELK Calculator engine and prints the display.\n"
                     "With no KEYS, types each line of standard input and prints the display\n"
                     "after each line; the calculator keeps its state from line to line.\n"
                     "\n"
                     "Options:\n"
                     "  --precision N   significant digits, 1 to 6000 (default 40)\n"
                     "  --grouping      turn digit grouping on before the first key\n"
                     "  --help          show this text\n"
                     "  --version       show the version\n"
                     "\n"
                     "Keys are typed the way the window pastes text:\n"
                     "  0-9 A-F         digits (A-F in the hexadecimal radix)\n"
                     "  E e             EE in the decimal radix, the digit E otherwise\n"
                     "  X x             EE (exponent entry)\n"
                     "  , .             the decimal comma\n"
                     "  + - * / =       operators and equals\n"
                     "  ( )             parentheses\n"
                     "  %  !  \"  #      Mod, n!, x^2, x^3\n"
                     "  Y y             x^y        L l  log      N n  ln\n"
                     "  S s  O o  T t   sin, cos, tan          P p  PI\n"
                     "  I i  H h        Inv, Hyp\n"
                     "Other characters, such as spaces, are skipped. A name in brackets types\n"
                     "the key with that button text, in any case: [Hex] [Dec] [Oct] [Bin]\n"
                     "[Degrees] [Radians] [Grads] [Qword] [Dword] [Word] [Byte] [Inv] [Hyp]\n"
                     "[MC] [MR] [MS] [M+] [Backspace] [CE] [C] [Mod] [Or] [And] [Xor] [Lsh]\n"
                     "[Not] [Int] [dms] [EE] [ln] [log] [n!] [x^3] [1/x] [x^2] [x^y] [sin]\n"
                     "[cos] [tan] [PI] [+/-] [,] [Grouping]; [1017] types key code 1017.\n"
                     "[C] clears all; the plain letter C is the digit.\n"
                     "\n"
                     "Examples:\n"
                     "  zelkc '2+3*4='                   prints 14\n"
                     "  zelkc --precision 100 '2y0,5='   the square root of 2 to 100 digits\n"
                     "  zelkc '2[Inv][x^2]'              the same at 40 digits\n"
                     "  zelkc '[Hex]FF+1='               prints 100\n"
                     "  printf '1/7=\\n*7=\\n' | zelkc     one display a line\n"
                     "\n"
                     "Ctrl+C cancels a running computation: the display then shows\n"
                     "\"Operation was canceled\". Exit status 0, or 2 for a usage error.\n";

// Set while a key runs, so that Ctrl+C cancels the computation instead of
// ending the program.
std::atomic<bool> computing{false};

extern "C" void oninterrupt(int)
{
    if (computing.load()) {
        cancelcompute();
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
            std::fputs(usage, stdout);
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
            if (value.empty() || *end != '\0' || p < 1 || p > Calculator::MAXPRECISION)
                usageerror("precision must be an integer from 1 to 6000: " + value);
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
