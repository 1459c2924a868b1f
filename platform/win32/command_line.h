#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::win32 {

// Splits a command line (GetCommandLineW's) into arguments by the rules of the system's
// CommandLineToArgvW: the program's name ends at the next quote when it starts with one, else
// at the first blank; after it, 2n backslashes before a quote give n backslashes and the quote
// opens or closes a quoted part, 2n+1 give n and a literal quote, other backslashes are
// literal, and inside a quoted part a third quote in a row is a literal quote.
//
// The program does its own splitting because CommandLineToArgvW lives in shell32, which
// brings user32 into the process, and Windows tells a console program that has user32 nothing
// of log-off and shutdown.
std::vector<std::wstring> SplitCommandLine(std::wstring_view line);

}  // namespace platform::win32
