// Parts of the platform's process layer that read the same on every system:
// an argument text split by the Windows command-line rules, so that a POSIX
// program receives the arguments a Windows program would.
#include "platform/platform.h"

std::vector<std::string> plat_split_command_line(const std::string &text) {
    std::vector<std::string> args;
    std::string arg;
    bool inArg = false;    // something (perhaps an empty group) has started an argument
    bool inQuotes = false; // inside a double-quoted group
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (!inQuotes && (c == ' ' || c == '\t')) {
            if (inArg)
                args.push_back(arg);
            arg.clear();
            inArg = false;
            ++i;
            continue;
        }
        inArg = true;
        if (c == '\\') {
            std::size_t n = 0;
            while (i < text.size() && text[i] == '\\') {
                ++n;
                ++i;
            }
            if (i < text.size() && text[i] == '"') {
                arg.append(n / 2, '\\');
                if (n % 2 == 1) { // an escaped quote is a plain character
                    arg += '"';
                    ++i;
                }
                // With an even count the quote is handled by the next round.
            } else {
                arg.append(n, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (inQuotes && i + 1 < text.size() && text[i + 1] == '"') {
                arg += '"'; // a doubled quote inside a group
                i += 2;
                continue;
            }
            inQuotes = !inQuotes;
            ++i;
            continue;
        }
        arg += c;
        ++i;
    }
    if (inArg)
        args.push_back(arg);
    return args;
}
