#include "unlha32/command.h"

#include "unlha32/extract_command.h"
#include "unlha32/list_command.h"
#include "unlha32/result_codes.h"

namespace unlha32 {
namespace {

bool IsCommand(char verb) {
  return verb == 'l' || verb == 'v' || verb == 't' || verb == 'x' || verb == 'e';
}

// Switches are letters after a "-", one or several in a word ("-o", "-or").
bool ReadSwitches(std::string_view word, Command* command) {
  for (char letter : word.substr(1)) {
    switch (letter | 0x20) {
      case 'o':
        command->overwrite = true;
        break;
      case 'r':
        command->recovery = true;
        break;
      default:
        return false;
    }
  }
  return word.size() > 1;
}

// A base folder is written with a final separator ("out\" or "out/").
bool IsFolderWord(const std::string& word) {
  return !word.empty() && (word.back() == '\\' || word.back() == '/');
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) break;
    std::string word;
    bool quoted = false;
    for (; i < line.size(); ++i) {
      if (line[i] == '"') {
        quoted = !quoted;
      } else if (!quoted && (line[i] == ' ' || line[i] == '\t')) {
        break;
      } else {
        word += line[i];
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

int ParseCommand(std::string_view command_line, Command* command) {
  std::vector<std::string> words = SplitCommandLine(command_line);
  if (words.empty() || words[0].size() != 1) return kBadCommand;
  command->verb = static_cast<char>(words[0][0] | 0x20);
  if (!IsCommand(command->verb)) return kBadCommand;
  bool switches_end = false;
  std::vector<std::string> arguments;
  for (std::size_t i = 1; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (switches_end || word.empty() || word[0] != '-') {
      arguments.push_back(word);
    } else if (word == "--") {
      switches_end = true;
    } else if (!ReadSwitches(word, command)) {
      return kBadCommand;
    }
  }
  if (arguments.empty()) return kNoArchiveName;
  command->archive = arguments[0];
  std::size_t next = 1;
  if (next < arguments.size() && IsFolderWord(arguments[next])) {
    command->base_folder = arguments[next++];
    if (command->base_folder.size() > 1) command->base_folder.pop_back();
  }
  command->patterns.assign(arguments.begin() + static_cast<long>(next), arguments.end());
  return kSuccess;
}

CommandResult RunCommand(std::string_view command_line) {
  Command command;
  if (int code = ParseCommand(command_line, &command); code != kSuccess) return {code, ""};
  if (command.verb == 'l' || command.verb == 'v') return ListMembers(command);
  return ExtractMembers(command);
}

}  // namespace unlha32
