#include "help.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <vector>

#include "calc/calculator.h"
#include "calc/keyhelp.h"
#include "calc/keys.h"
#include "calc/paste.h"

namespace {

// Width of the text, and where the descriptions of the key list start.
constexpr std::size_t linewidth = 76;
constexpr std::size_t keycolumn = 18;
// A named key in the list of functions takes this many columns.
constexpr std::size_t namedcolumn = 11;

bool pasted(const keycharacter& k) { return k.typing != keytyping::keyboard; }

bool oneof(int code, std::initializer_list<int> codes)
{
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// A group of the key list: its characters, then what they do. A group with
// no text lists each character with its key's button text.
struct keygroup {
    const char* text;
    bool (*member)(const keycharacter&);
};

const keygroup keygroups[] = {
    {"digits (A-F in the hexadecimal radix)",
     [](const keycharacter& k) { return keydigit(k.code) != 0; }},
    {"EE in the decimal radix, the digit E otherwise",
     [](const keycharacter& k) { return k.typing == keytyping::byradix; }},
    {"EE (exponent entry)", [](const keycharacter& k) { return k.code == key::exponent; }},
    {"the decimal comma", [](const keycharacter& k) { return k.code == key::point; }},
    {"operators and equals",
     [](const keycharacter& k) {
         return oneof(k.code, {key::add, key::subtract, key::multiply, key::divide, key::equals});
     }},
    {"parentheses",
     [](const keycharacter& k) {
         return oneof(k.code, {key::openparen, key::closeparen});
     }},
};

bool grouped(const keycharacter& k)
{
    return std::any_of(std::begin(keygroups), std::end(keygroups),
                       [&](const keygroup& g) { return g.member(k); });
}

bool modifier(const keycharacter& k) { return oneof(k.code, {key::inv, key::hyp}); }

std::string padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.resize(width, ' ');
    return text;
}

// The characters of a group, a run of three or more that type consecutive
// digits written as a range: "0-9 A-F".
std::string characters(const std::vector<keycharacter>& group)
{
    std::string text;
    for (std::size_t i = 0; i < group.size();) {
        std::size_t end = i + 1;
        const auto follows = [&](std::size_t j) {
            return keydigit(group[j].code) != 0 &&
                   keydigit(group[j].code) == keydigit(group[j - 1].code) + 1 &&
                   group[j].character == group[j - 1].character + 1;
        };
        while (end < group.size() && follows(end))
            ++end;
        if (!text.empty())
            text += ' ';
        text += group[i].character;
        if (end - i >= 3) {
            text += '-';
            text += group[end - 1].character;
        } else {
            end = i + 1;
        }
        i = end;
    }
    return text;
}

std::vector<keycharacter> pastedwhere(bool (*member)(const keycharacter&))
{
    std::vector<keycharacter> group;
    for (int i = 0; i < keycharactercount; ++i) {
        if (pasted(keycharacters[i]) && member(keycharacters[i]))
            group.push_back(keycharacters[i]);
    }
    return group;
}

// Each character beside its key's button text, several to a line.
std::string namedlines(const std::vector<keycharacter>& group)
{
    std::string text;
    std::string line = "  ";
    const auto endline = [&] {
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + '\n';
        line = "  ";
    };
    for (const keycharacter& k : group) {
        if (line.size() + namedcolumn > linewidth)
            endline();
        line += padded(padded(std::string(1, k.character), 3) + keyname(k.code), namedcolumn);
    }
    endline();
    return text;
}

std::string keylist()
{
    std::string text;
    for (const keygroup& g : keygroups)
        text += padded("  " + characters(pastedwhere(g.member)), keycolumn) + g.text + '\n';
    text +=
        namedlines(pastedwhere([](const keycharacter& k) { return !grouped(k) && !modifier(k); }));
    text += namedlines(pastedwhere(modifier));
    return text;
}

// The operators a paste reads beyond the table, each group beside its key.
std::string pasteoperatorline()
{
    std::string text = "  also";
    for (int i = 0; i < pasteoperatorcount; ++i) {
        const pasteoperator& p = pasteoperators[i];
        const bool first = i == 0 || pasteoperators[i - 1].code != p.code;
        text += first ? "   " : " ";
        text += p.utf8;
        const bool last = i + 1 == pasteoperatorcount || pasteoperators[i + 1].code != p.code;
        if (last)
            text += " for " + keyname(p.code);
    }
    return text + '\n';
}

// The names a key is typed by in brackets: every button text but those a
// character above types already, and the grouping command.
std::string namelist()
{
    std::vector<std::string> names;
    for (int i = 0; i < keybuttoncount; ++i) {
        const int code = keybuttons[i].code;
        const std::string name = keyname(code);
        if (name.size() == 1 && characterkey(name[0], keysource::paste, 16) == code)
            continue;
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    names.push_back(keyname(key::grouping));
    names.push_back(keyname(key::bit0));

    std::string text = "Other characters, such as spaces, are skipped. A name in brackets types\n"
                       "the key with that button text, in any case:";
    std::size_t column = text.size() - text.rfind('\n') - 1;
    for (const std::string& name : names) {
        const std::string word = "[" + name + "]";
        if (column + 1 + word.size() > linewidth) {
            text += '\n';
            column = 0;
        } else {
            text += ' ';
            ++column;
        }
        text += word;
        column += word.size();
    }
    // The bit keys, one name each, as a range after the first.
    const std::string bits = "to [" + keyname(key::bit63) + "]";
    text += column + 1 + bits.size() > linewidth ? '\n' : ' ';
    text += bits;
    char code[80];
    std::snprintf(code, sizeof code, ".\n[%d] types the key with code %d (%s).\n", int{key::add},
                  int{key::add}, keyname(key::add).c_str());
    return text + code;
}

// What each key but the digits does, from the window's key table, wrapped
// under its description column.
std::string meanings()
{
    constexpr std::size_t column = 14;
    std::string text = "What the keys do (x is the number shown, y the one typed next):\n";
    std::vector<const keyhelp*> helps;
    for (int i = 0; i < keyhelpcount; ++i) {
        if (keydigit(keyhelps[i].code) == 0)
            helps.push_back(&keyhelps[i]);
    }
    helps.push_back(&bitkeyshelp);
    for (const keyhelp* h : helps) {
        const std::string words = keydescription(h->code);
        const std::string name = keybit(h->code) >= 0
                                     ? "[" + keyname(key::bit0) + "]-[" + keyname(key::bit63) + "]"
                                     : "[" + keyname(h->code) + "]";
        std::string line = padded("  " + name, column);
        if (line.size() > column)
            line += ' ';
        for (std::size_t start = 0; start < words.size();) {
            std::size_t end = words.find(' ', start);
            if (end == std::string::npos)
                end = words.size();
            const std::string word = words.substr(start, end - start);
            if (line.size() + word.size() > linewidth) {
                line.erase(line.find_last_not_of(' ') + 1);
                text += line + '\n';
                line = std::string(column, ' ');
            }
            line += word + ' ';
            start = end + 1;
        }
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + '\n';
    }
    return text;
}

}  // namespace

std::string helptext()
{
    char options[400];
    std::snprintf(options, sizeof options,
                  "Options:\n"
                  "  --precision N   significant digits, %d to %d (default %d)\n"
                  "  --grouping      turn digit grouping on before the first key\n"
                  "  --help          show this text\n"
                  "  --version       show the version\n",
                  Calculator::MINPRECISION, Calculator::MAXPRECISION, Calculator::STARTPRECISION);
    return std::string("Usage: zelkc [--precision N] [--grouping] [KEYS ...]\n"
                       "\n"
                       "Types KEYS into the ZELK Calculator engine and prints the display.\n"
                       "With no KEYS, types each line of standard input and prints the display\n"
                       "after each line; the calculator keeps its state from line to line.\n"
                       "A line with an unknown key name, or longer than " +
                       std::to_string(MAXLINE) +
                       " bytes, is\n"
                       "reported on standard error and not typed; the exit status is then 2.\n"
                       "\n") +
           options +
           "\n"
           "Keys are typed the way the window pastes text, letters in either case:\n" +
           keylist() + pasteoperatorline() +
           "Numbers are read whole: 1,234,567.89 and 1.234.567,89 are 1234567,89\n"
           "(groups of three digits, four in Hex and Bin; a single ',' or '.' is the\n"
           "decimal comma), 1e-5 is 1 EE 5 +/-, 0x1F 0o17 0b101 are converted to the\n"
           "radix, and a '-' before a number at the start or after an operator or\n"
           "'(' is its sign. A number longer than the entry is rounded to it; text\n"
           "that cannot be read without guessing types nothing and the display says\n"
           "why.\n" +
           namelist() +
           "[C] clears all; the plain letter C is the digit.\n"
           "\n" +
           meanings() +
           "\n"
           "Examples:\n"
           "  zelkc '2+3*4='                   prints 14\n"
           "  zelkc --precision 100 '2y0,5='   the square root of 2 to 100 digits\n"
           "  zelkc '2[Inv][x^2]'              the same at the default precision\n"
           "  zelkc '[Hex]FF+1='               prints 100\n"
           "  printf '1/7=\\n*7=\\n' | zelkc     one display a line\n"
           "\n"
           "Ctrl+C cancels a running computation: the display then shows\n"
           "\"Operation was canceled\". Exit status 0, or 2 for a usage error.\n";
}
