#include "calc/keytext.h"

#include <cctype>

#include "calc/calculator.h"
#include "calc/keys.h"
#include "calc/paste.h"

bool parsekeytext(std::string_view text, std::vector<keystroke>& strokes, std::string& error)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '[') {
            if (strokes.empty() || strokes.back().code != 0)
                strokes.push_back({});
            strokes.back().text += c;
            continue;
        }
        std::size_t end = text.find(']', i + 1);
        if (end == std::string_view::npos) {
            error = "unterminated key name: " + std::string(text.substr(i));
            return false;
        }
        // "[,]" and "[]]"-like names: the name is everything up to the next ']'.
        std::string_view name = text.substr(i + 1, end - i - 1);
        int code = 0;
        bool numeric = !name.empty();
        for (char d : name)
            numeric = numeric && std::isdigit(static_cast<unsigned char>(d));
        if (numeric && name.size() <= 9)
            code = std::stoi(std::string(name));
        else
            code = namedkey(name);
        if (code == 0) {
            error = "unknown key: [" + std::string(name) + "]";
            return false;
        }
        strokes.push_back({code, {}});
        i = end;
    }
    return true;
}

namespace {

// A key that sets a mode and leaves the value and the entry alone.
bool modekey(int code)
{
    switch (code) {
    case key::hex:
    case key::dec:
    case key::oct:
    case key::bin:
    case key::qword:
    case key::dword:
    case key::word:
    case key::byte:
    case key::degrees:
    case key::radians:
    case key::grads:
    case key::inv:
    case key::hyp:
    case key::grouping: return true;
    default: return false;
    }
}

}  // namespace

void typekeys(Calculator& calculator, const std::vector<keystroke>& strokes,
              const std::function<bool()>& proceed)
{
    bool signfirst = true;
    for (const keystroke& s : strokes) {
        if (proceed && !proceed())
            return;
        if (s.code == 0) {
            calculator.paste(s.text, signfirst, proceed);
            signfirst = false;
        } else {
            calculator.presskey(s.code);
            signfirst = startsoperand(s.code) || s.code == key::clearall ||
                        s.code == key::clearentry || (signfirst && modekey(s.code));
        }
    }
}
