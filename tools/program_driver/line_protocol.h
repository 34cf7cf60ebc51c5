#pragma once
// The text escaping of the command server's one-line protocol, shared by the
// server (ondavox_drive.exe, under Wine) and its native client: a line feed
// travels as "\n", a backslash as "\\", and a CR is dropped.

#include <cstddef>
#include <string>

namespace uidriver {

inline std::string escapeLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out;
}

inline std::string unescapeLine(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            ++i;
            out += text[i] == 'n' ? '\n' : text[i];
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace uidriver
