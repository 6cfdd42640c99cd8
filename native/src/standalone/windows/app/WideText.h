#pragma once
// UTF-16 as Windows speaks it and UTF-8 as the host core keeps it. Unpaired surrogates
// and bytes that are no UTF-8 become U+FFFD: an odd argument or file name must never stop
// the program.
#include <string>
#include <string_view>
#include <vector>

namespace strobe95::standalone::windows_standalone {

std::string toUtf8(std::wstring_view text);
std::wstring toWide(std::string_view text);

// The program's arguments from the process's UTF-16 command line, argv[0] included.
std::vector<std::string> commandLineArguments();

}  // namespace strobe95::standalone::windows_standalone
