// zelkc end to end: arguments, standard input, exit codes, Ctrl+C, and the
// key list of --help against the engine's tables.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "calc/calculator.h"
#include "calc/keys.h"
#include "calc/paste.h"

using namespace num;

namespace {

struct result {
    std::string out;
    int status;
};

// Runs zelkc with the arguments (shell-quoted by the caller) and the given
// standard input (a printf format: "\\n" is a newline).
result run(const std::string& arguments, const std::string& input = "")
{
    std::string command = "printf '" + input + "' | " ZELKC " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    result r;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        r.out.append(buf, n);
    int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

TEST(Zelkc, ArgumentsAreTypedAndTheDisplayPrinted)
{
    struct Case {
        const char* arguments;
        const char* out;
    };
    const Case cases[] = {
        {"'2+3*4='", "14\n"},
        {"'2+3' '*4='", "14\n"},
        {"--precision 5 '1/3='", "0,33333\n"},
        {"--precision=5 '2[Inv][x^2]'", "1,41421\n"},
        {"--grouping 1234567", "1.234.567\n"},
        {"'[Hex]ff+1='", "100\n"},
        {"'[hex][BYTE]FF+1='", "0\n"},
        {"'[1009][1017][1009][1027]'", "4\n"},
        {"'1/0='", "quot:division by zero\n"},
        {"'1 + 2 ='", "3\n"},
        {"-- '-5'", "-5\n"},  // a '-' before the first number is its sign
        // Characters are read as the window reads a paste.
        {"'1,234,567.89'", "1234567,89\n"},
        {"'1.234.567,89'", "1234567,89\n"},
        {"'0x1F='", "31\n"},
        {"'\u22125*2='", "-10\n"},
        {"'2^10='", "1024\n"},
        {"'0[EE]3='", "0\n"},
        {"'1,2,3'", "Cannot read pasted number\n"},
        // The bit keys toggle a bit of the word, then the entry goes on.
        {"'[Hex][Bit63]'", "8000000000000000\n"},
        {"'[hex][byte][bit7]+1='", "81\n"},
        {"'[Bin]1[Bit4]1'", "100011\n"},
        {"'[Hex][Byte][Bit8]'", "0\n"},
        {"'5[Bit0]'", "5\n"},
    };
    for (const Case& c : cases) {
        result r = run(c.arguments);
        EXPECT_EQ(r.out, c.out) << c.arguments;
        EXPECT_EQ(r.status, 0) << c.arguments;
    }
}

TEST(Zelkc, StandardInputGivesOneDisplayALine)
{
    result r = run("", "1/7=\\n*14=\\n[Hex]\\n\\nFF\\n");
    EXPECT_EQ(r.out, "0,1428571428571428571428571428571428571429\n2\n1\n1\nFF\n");
    EXPECT_EQ(r.status, 0);
}

// A line that cannot be typed is reported on standard error with its
// number and gives no display; the lines after it are typed, and the exit
// status is 2. A line too long is read past without being held.
TEST(Zelkc, StandardInputLinesThatCannotBeTypedAreSkipped)
{
    result r = run("", "1+1=\\n[Nope]2\\n*3=\\n[Hex\\n");
    EXPECT_EQ(r.out, "2\nzelkc: line 2: unknown key: [Nope], line not typed\n6\n"
                     "zelkc: line 4: unterminated key name: [Hex, line not typed\n");
    EXPECT_EQ(r.status, 2);

    const std::string path = testing::TempDir() + "zelkc-long-line.txt";
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    const std::string digits(2000000, '7');
    std::fprintf(f, "%s\n1+1=\n", digits.c_str());
    std::fclose(f);
    r = run("< " + path);
    EXPECT_EQ(r.out, "zelkc: line 1: longer than 1048576 bytes, not typed\n2\n");
    EXPECT_EQ(r.status, 2);
    std::remove(path.c_str());
}

TEST(Zelkc, UsageErrorsExitWithTwo)
{
    for (const char* arguments :
         {"--precision 0", "--precision 6001", "--precision x", "--precision", "--frobnicate",
          "'[Nope]'", "'[Hex'", "'[Bit64]'"}) {
        result r = run(arguments);
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_NE(r.out.find("zelkc: "), std::string::npos) << arguments;
    }
    result precision = run("--precision 6001");
    EXPECT_EQ(precision.out,
              "zelkc: precision must be an integer from 1 to 6000: 6001 (try zelkc --help)\n");
    result help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: zelkc", 0), 0u);
    EXPECT_NE(help.out.find("significant digits, 1 to 6000 (default 40)"), std::string::npos);
    result version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("zelkc ", 0), 0u);
}

// Output that does not reach standard output is a failure: a message on
// standard error and exit status 1, and no line typed after it.
TEST(Zelkc, AFailedWriteIsReported)
{
    const struct {
        const char* what;
        const char* redirect;  // of standard output, after standard error's
        const char* reason;
    } outputs[] = {
        {"a full device", ">/dev/full", "No space left on device"},
        {"a closed descriptor", ">&-", "Bad file descriptor"},
    };
    const char* invocations[] = {ZELKC " '1/3='", "printf '1/3=\\n2=\\n3=\\n' | " ZELKC,
                                 ZELKC " --help", ZELKC " --version"};
    for (const auto& o : outputs) {
        for (const char* invocation : invocations) {
            const std::string command = std::string(invocation) + " 2>&1 " + o.redirect;
            SCOPED_TRACE(command);
            FILE* pipe = popen(command.c_str(), "r");
            ASSERT_NE(pipe, nullptr);
            std::string said;
            char buf[4096];
            std::size_t n;
            while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
                said.append(buf, n);
            const int status = pclose(pipe);
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), 1);
            EXPECT_EQ(said, std::string("zelkc: cannot write standard output: ") + o.reason + "\n");
        }
    }
}

// Whether character c stands in the help on its own or inside a range such
// as "0-9".
bool listed(const std::string& help, char c)
{
    std::istringstream words(help);
    std::string w;
    while (words >> w) {
        if (w == std::string(1, c))
            return true;
        if (w.size() == 3 && w[1] == '-' && w[0] <= c && c <= w[2])
            return true;
    }
    return false;
}

TEST(Zelkc, HelpListsEveryCharacterAndEveryName)
{
    const result r = run("--help");
    const std::string help = r.out;
    for (int i = 0; i < keycharactercount; ++i) {
        const keycharacter& k = keycharacters[i];
        if (k.typing != keytyping::keyboard) {
            EXPECT_TRUE(listed(help, k.character)) << k.character;
        }
    }
    // A name is listed in brackets unless its one character, listed, types
    // the same key.
    for (int i = 0; i < keybuttoncount; ++i) {
        const int code = keybuttons[i].code;
        const std::string name = keyname(code);
        const bool typed = name.size() == 1 && listed(help, name[0]) &&
                           characterkey(name[0], keysource::paste, 16) == code;
        EXPECT_TRUE(typed || help.find("[" + name + "]") != std::string::npos) << name;
    }
    EXPECT_NE(help.find("[Grouping]"), std::string::npos);
    EXPECT_NE(help.find("[Bit0] to [Bit63]"), std::string::npos);
    EXPECT_NE(help.find("[Bit0]-[Bit63] Bit n of the value"), std::string::npos);
    for (int i = 0; i < pasteoperatorcount; ++i)
        EXPECT_NE(help.find(pasteoperators[i].utf8), std::string::npos) << pasteoperators[i].utf8;
    // Every named character stands beside its key's name; what only the
    // keyboard types is not offered.
    const struct {
        const char* text;
        bool shown;
    } lines[] = {
        {"  0-9 A-F ", true}, {"  %  Mod ", true},    {"Y  x^y", true},  {"I  Inv", true},
        {"H  Hyp", true},     {"[1017] types", true}, {"M  dms", false}, {"&  And", false},
    };
    for (const auto& l : lines)
        EXPECT_EQ(help.find(l.text) != std::string::npos, l.shown) << l.text;
}

// Ctrl+C during a long line cancels the computation; the next line runs.
// zelkc at 6000 digits, sent `first`, a Ctrl+C after `delay` microseconds
// and then `next`: what it printed.
std::string interrupted(const std::string& first, useconds_t delay, const std::string& next)
{
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
        return "no pipe";
    pid_t child = fork();
    if (child < 0)
        return "no fork";
    if (child == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        execl(ZELKC, ZELKC, "--precision", "6000", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (write(in[1], first.data(), first.size()) != static_cast<ssize_t>(first.size()))
        return "short write";
    usleep(delay);
    kill(child, SIGINT);
    if (write(in[1], next.data(), next.size()) != static_cast<ssize_t>(next.size()))
        return "short write";
    close(in[1]);
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0)
        text.append(buf, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? text : "killed";
}

std::string repeated(const std::string& keys, int times)
{
    std::string line;
    for (int i = 0; i < times; ++i)
        line += keys;
    return line + "\n";
}

// Ctrl+C cancels the rest of the line, whether it lands in a long key
// (several seconds of 6000-digit powers) or between two of many quick
// keys (a million characters of 1+1=), whose next key would otherwise
// clear the cancel and type on.
TEST(Zelkc, InterruptCancelsTheRestOfTheLine)
{
    EXPECT_EQ(interrupted(repeated("3y0,7=", 200), 300000, "[C]1+1=\n"),
              "Operation was canceled\n2\n");
    // The Ctrl+C must come once the line is read (before, zelkc is idle
    // and ends): the sanitizers read it several times slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    constexpr useconds_t afterreading = 500000;
#else
    constexpr useconds_t afterreading = 50000;
#endif
    EXPECT_EQ(interrupted(repeated("1+1=", 250000), afterreading, "[C]2*3=\n"),
              "Operation was canceled\n6\n");
}

}  // namespace
