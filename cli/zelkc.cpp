// zelkc: types keys into the calculator engine and prints the display.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "calc/calculator.h"
#include "calc/keys.h"
#include "calc/keytext.h"
#include "help.h"
#include "session.h"

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

}  // namespace

int main(int argc, char** argv)
{
    zelkcoptions options;
    std::string error;
    if (!readoptions(std::vector<std::string>(argv + 1, argv + argc), options, error))
        usageerror(error);
    // Output that does not reach standard output (a full disk, a closed
    // descriptor) is a failure, not a success with nothing to show.
    if (options.what == zelkcoptions::request::help) {
        std::fputs(helptext().c_str(), stdout);
        return delivered(stdout, stderr) ? 0 : 1;
    }
    if (options.what == zelkcoptions::request::version) {
        std::printf("zelkc %s\n", ZELK_VERSION);
        return delivered(stdout, stderr) ? 0 : 1;
    }

    std::signal(SIGINT, oninterrupt);
#if defined(__GLIBC__)
    // A fixed threshold: large arrays are mapped on their own and unmapped
    // when freed, instead of raising the threshold and staying in the heap.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
    Calculator calculator;
    if (options.precision != 0)
        calculator.setprecision(options.precision);
    if (options.grouping)
        calculator.presskey(key::grouping);

    if (!options.keys.empty()) {
        for (const std::string& k : options.keys) {
            std::vector<keystroke> strokes;
            parsekeytext(k, strokes, error);
            typestrokes(calculator, strokes);
        }
        std::printf("%s\n", calculator.display().c_str());
        return delivered(stdout, stderr) ? 0 : 1;
    }
    return typelines(calculator, stdin, stdout, stderr, typestrokes);
}
