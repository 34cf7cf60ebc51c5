#pragma once
// Messages for people, on standard error, each starting with the program's name.

namespace cli {

[[gnu::format(printf, 1, 2)]] void say(const char* format, ...);
// "ondavox-cli: error: ..."
[[gnu::format(printf, 1, 2)]] void sayError(const char* format, ...);

}  // namespace cli
