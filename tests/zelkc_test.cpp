// zelkc end to end: arguments, standard input, exit codes, Ctrl+C.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

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
        {"-- '-5'", "5\n"},  // '-' is the minus key, then 5 is typed
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

TEST(Zelkc, UsageErrorsExitWithTwo)
{
    for (const char* arguments : {"--precision 0", "--precision 6001", "--precision x",
                                  "--precision", "--frobnicate", "'[Nope]'", "'[Hex'"}) {
        result r = run(arguments);
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_NE(r.out.find("zelkc: "), std::string::npos) << arguments;
    }
    result help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: zelkc"), std::string::npos);
    result version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("zelkc ", 0), 0u);
}

// Ctrl+C during a long line cancels the computation; the next line runs.
TEST(Zelkc, InterruptCancelsTheRunningKey)
{
    int in[2], out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
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
    // Several seconds of 6000-digit powers.
    std::string line;
    for (int i = 0; i < 200; ++i)
        line += "3y0,7=";
    line += "\n";
    ASSERT_EQ(write(in[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
    usleep(300000);
    kill(child, SIGINT);
    const std::string next = "[C]1+1=\n";
    ASSERT_EQ(write(in[1], next.data(), next.size()), static_cast<ssize_t>(next.size()));
    close(in[1]);
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0)
        text.append(buf, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(text, "Operation was canceled\n2\n");
}

}  // namespace
