#pragma once
// What a command prints on standard output for scripts: "key: value" lines,
// or with --json one JSON object (or array) with the same keys.

#include <cstdio>

namespace cli {

// Shown instead of a PIN or password that is set, unless --show-secrets.
constexpr char MASKED_SECRET[] = "********";

class Report {
public:
    Report(std::FILE* out, bool json) : out_(out), json_(json) {}

    void beginObject();  // JSON: "{" (a nested one inside an array); text: nothing
    void endObject();    // JSON: "}"; text: an empty line between objects of a list
    void beginArray();   // JSON: "["; text: nothing
    void endArray();

    void text(const char* key, const char* value);
    // A PIN or password: MASKED_SECRET when set and not shown, else the value.
    void secret(const char* key, const char* value, bool show);
    void flag(const char* key, bool value);  // JSON true/false; text yes/no
    void number(const char* key, long value);
    // A list element that is a bare text (JSON string; text: one line).
    void item(const char* value);

    // Ends the output (a newline after JSON).
    void finish();

private:
    void key(const char* name);
    void separator();

    std::FILE* out_;
    bool json_;
    bool first_ = true;
    bool inArray_ = false;
    bool afterObject_ = false;
};

// Writes bytes for a terminal or a script: bytes as they are, except control
// characters, which are shown as \xNN so they cannot steer a terminal.
void writePlainText(std::FILE* out, const char* bytes);

// Writes bytes as a JSON string: valid UTF-8 kept, any other byte read as
// Latin-1, quotes, backslashes and control characters escaped.
void writeJsonString(std::FILE* out, const char* bytes);

}  // namespace cli
