#include "platform/win32/command_line.h"

namespace platform::win32 {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
  std::vector<std::wstring> arguments;
  std::size_t i = 0;
  std::wstring program;
  if (i < line.size() && line[i] == L'"') {
    for (++i; i < line.size() && line[i] != L'"'; ++i) program.push_back(line[i]);
    if (i < line.size()) ++i;
  } else {
    for (; i < line.size() && !IsBlank(line[i]); ++i) program.push_back(line[i]);
    // The blank that ends the name belongs to it, whatever follows.
    if (i < line.size()) ++i;
  }
  arguments.push_back(std::move(program));

  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i >= line.size()) return arguments;
  std::wstring current;
  std::size_t backslashes = 0;
  int quotes = 0;  // quotes met in the current quoted run: 1 while inside one
  while (i < line.size()) {
    const wchar_t c = line[i];
    if (IsBlank(c) && quotes == 0) {
      arguments.push_back(std::move(current));
      current.clear();
      backslashes = 0;
      while (i < line.size() && IsBlank(line[i])) ++i;
      if (i >= line.size()) return arguments;
      continue;
    }
    if (c == L'\\') {
      current.push_back(c);
      ++backslashes;
      ++i;
      continue;
    }
    if (c != L'"') {
      current.push_back(c);
      backslashes = 0;
      ++i;
      continue;
    }
    // Half the backslashes before a quote stay; an odd one out makes the quote literal.
    current.resize(current.size() - backslashes / 2);
    if (backslashes % 2 == 0) {
      ++quotes;
    } else {
      current.back() = L'"';
    }
    backslashes = 0;
    for (++i; i < line.size() && line[i] == L'"'; ++i) {
      if (++quotes == 3) {
        current.push_back(L'"');
        quotes = 0;
      }
    }
    if (quotes == 2) quotes = 0;
  }
  arguments.push_back(std::move(current));
  return arguments;
}

}  // namespace platform::win32
