#include "session.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "calc/calculator.h"

bool readoptions(const std::vector<std::string>& args, zelkcoptions& options, std::string& error)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.what = zelkcoptions::request::help;
            return true;
        }
        if (arg == "--version") {
            options.what = zelkcoptions::request::version;
            return true;
        }
        if (arg == "--") {
            options.keys.insert(options.keys.end(), args.begin() + static_cast<long>(i) + 1,
                                args.end());
            break;
        }
        if (arg == "--grouping") {
            options.grouping = true;
        } else if (arg == "--precision" || arg.rfind("--precision=", 0) == 0) {
            std::string value;
            if (arg == "--precision") {
                if (++i == args.size()) {
                    error = "--precision needs a number";
                    return false;
                }
                value = args[i];
            } else {
                value = arg.substr(std::strlen("--precision="));
            }
            char* end = nullptr;
            const long p = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || p < Calculator::MINPRECISION ||
                p > Calculator::MAXPRECISION) {
                error = "precision must be an integer from " +
                        std::to_string(Calculator::MINPRECISION) + " to " +
                        std::to_string(Calculator::MAXPRECISION) + ": " + value;
                return false;
            }
            options.precision = static_cast<int>(p);
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            error = "unknown option " + arg;
            return false;
        } else {
            options.keys.push_back(arg);
        }
    }
    // Every key text is checked before any is typed.
    for (const std::string& k : options.keys) {
        std::vector<keystroke> strokes;
        if (!parsekeytext(k, strokes, error))
            return false;
    }
    return true;
}

bool readline(std::FILE* in, std::string& line, bool& toolong, std::size_t maxline)
{
    line.clear();
    toolong = false;
    int c = 0;
    while ((c = getc_unlocked(in)) != EOF && c != '\n') {
        if (line.size() < maxline)
            line.push_back(static_cast<char>(c));
        else
            toolong = true;
    }
    return c != EOF || !line.empty() || toolong;
}

int typelines(Calculator& calculator, std::FILE* in, std::FILE* out, std::FILE* err,
              const strokestyper& type, std::size_t maxline)
{
    int status = 0;
    std::string line;
    bool toolong = false;
    for (long number = 1; readline(in, line, toolong, maxline); ++number) {
        std::vector<keystroke> strokes;
        std::string error;
        if (toolong)
            error = "longer than " + std::to_string(maxline) + " bytes, not typed";
        else if (!parsekeytext(line, strokes, error))
            error += ", line not typed";
        if (!error.empty()) {
            std::fflush(out);
            std::fprintf(err, "zelkc: line %ld: %s\n", number, error.c_str());
            status = 2;
            continue;
        }
        type(calculator, strokes);
        std::fprintf(out, "%s\n", calculator.display().c_str());
        if (!delivered(out, err))
            return 1;
    }
    return status;
}

bool delivered(std::FILE* out, std::FILE* err)
{
    if (std::fflush(out) == 0 && std::ferror(out) == 0)
        return true;
    // The error of the write that failed, in this flush or an earlier one.
    const int error = errno;
    std::fprintf(err, "zelkc: cannot write standard output%s%s\n", error != 0 ? ": " : "",
                 error != 0 ? std::strerror(error) : "");
    return false;
}
