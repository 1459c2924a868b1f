#include "platform/posix/registry_file.h"

#include <cstdio>
#include <utility>

#include "platform/text.h"

namespace platform::posix {

struct RegistryTree::Key {
  struct NamedValue {
    std::string name;
    RegistryValue value;
  };
  std::string name;
  std::map<std::string, NamedValue> values;             // by folded name
  std::map<std::string, std::unique_ptr<Key>> subkeys;  // by folded name
};

namespace {

constexpr std::string_view kHeader = "grebewick-registry 1";
constexpr std::string_view kTrailer = "end";
constexpr std::uint32_t kRoots[] = {kClassesRoot, kCurrentUser, kLocalMachine, kUsers,
                                    kCurrentConfig};

std::string Fold(std::string_view name) { return UpperCase(name); }

// Length of the UTF-8 sequence at `i` when it is a well-formed one, else 0.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i) {
  unsigned char c = static_cast<unsigned char>(text[i]);
  std::size_t length = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  return IsValidUtf8(text.substr(i, length)) ? length : 0;
}

void AppendQuoted(std::string_view text, std::string& out) {
  out.push_back('"');
  for (std::size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
      ++i;
    } else if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
      ++i;
    } else if (std::size_t length = c >= 0x80 ? Utf8SequenceAt(text, i) : 0; length > 0) {
      out.append(text.substr(i, length));
      i += length;
    } else {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      out.append(escape);
      ++i;
    }
  }
  out.push_back('"');
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the tokens of one line: bare words and quoted texts (unescaped).
class LineReader {
 public:
  explicit LineReader(std::string_view line) : line_(line) {}

  bool AtEnd() {
    SkipBlanks();
    return pos_ == line_.size();
  }

  bool Word(std::string* word) {
    SkipBlanks();
    std::size_t start = pos_;
    while (pos_ < line_.size() && line_[pos_] != ' ' && line_[pos_] != '\t' && line_[pos_] != '"') {
      ++pos_;
    }
    *word = std::string(line_.substr(start, pos_ - start));
    return !word->empty();
  }

  bool Quoted(std::string* text) {
    SkipBlanks();
    if (pos_ >= line_.size() || line_[pos_] != '"') return false;
    ++pos_;
    text->clear();
    while (pos_ < line_.size()) {
      char c = line_[pos_++];
      if (c == '"') return true;
      if (c != '\\') {
        text->push_back(c);
        continue;
      }
      if (pos_ >= line_.size()) return false;
      char escaped = line_[pos_++];
      if (escaped == '\\' || escaped == '"') {
        text->push_back(escaped);
      } else if (escaped == 'x' && pos_ + 2 <= line_.size() && HexDigit(line_[pos_]) >= 0 &&
                 HexDigit(line_[pos_ + 1]) >= 0) {
        text->push_back(static_cast<char>(HexDigit(line_[pos_]) * 16 + HexDigit(line_[pos_ + 1])));
        pos_ += 2;
      } else {
        return false;
      }
    }
    return false;  // no closing quote
  }

 private:
  void SkipBlanks() {
    while (pos_ < line_.size() && (line_[pos_] == ' ' || line_[pos_] == '\t')) ++pos_;
  }

  std::string_view line_;
  std::size_t pos_ = 0;
};

bool ParseUnsigned(std::string_view word, std::uint32_t* number) {
  if (word.empty() || word.size() > 10) return false;
  std::uint64_t value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > 0xFFFFFFFFu) return false;
  *number = static_cast<std::uint32_t>(value);
  return true;
}

bool RootFromName(std::string_view name, std::uint32_t* root) {
  for (std::uint32_t candidate : kRoots) {
    if (RootName(candidate) == name) {
      *root = candidate;
      return true;
    }
  }
  return false;
}

Status LineError(std::size_t line_number, std::string_view what) {
  return Status::Error(kInvalidArgument, "registry store line " + std::to_string(line_number) +
                                             ": " + std::string(what));
}

}  // namespace

Status SplitKeyPath(std::string_view key_path, std::vector<std::string>* names) {
  names->clear();
  if (key_path.find('\0') != std::string_view::npos) {
    return Status::Error(kInvalidArgument, "registry key path holds a NUL");
  }
  if (key_path.empty()) return Status::Ok();
  for (;;) {
    std::size_t separator = key_path.find('\\');
    std::string_view name = key_path.substr(0, separator);
    if (name.empty()) {
      return Status::Error(kInvalidArgument, "registry key path has an empty key name");
    }
    names->emplace_back(name);
    if (separator == std::string_view::npos) return Status::Ok();
    key_path.remove_prefix(separator + 1);
  }
}

RegistryTree::RegistryTree() = default;
RegistryTree::~RegistryTree() = default;
RegistryTree::RegistryTree(RegistryTree&&) noexcept = default;
RegistryTree& RegistryTree::operator=(RegistryTree&&) noexcept = default;

RegistryTree::Key* RegistryTree::Root(std::uint32_t root) {
  std::unique_ptr<Key>& key = roots_[root];
  if (!key) {
    key = std::make_unique<Key>();
    key->name = std::string(RootName(root));
  }
  return key.get();
}

const RegistryValue* RegistryTree::Find(std::uint32_t root, const std::vector<std::string>& names,
                                        std::string_view value_name) const {
  auto found_root = roots_.find(root);
  if (found_root == roots_.end()) return nullptr;
  const Key* key = found_root->second.get();
  for (const std::string& name : names) {
    auto found = key->subkeys.find(Fold(name));
    if (found == key->subkeys.end()) return nullptr;
    key = found->second.get();
  }
  auto value = key->values.find(Fold(value_name));
  return value == key->values.end() ? nullptr : &value->second.value;
}

void RegistryTree::Set(std::uint32_t root, const std::vector<std::string>& names,
                       std::string_view value_name, const RegistryValue& value) {
  Key* key = Root(root);
  for (const std::string& name : names) {
    std::unique_ptr<Key>& subkey = key->subkeys[Fold(name)];
    if (!subkey) {
      subkey = std::make_unique<Key>();
      subkey->name = name;
    }
    key = subkey.get();
  }
  auto [slot, inserted] = key->values.try_emplace(Fold(value_name));
  if (inserted) slot->second.name = std::string(value_name);
  slot->second.value = value;
}

std::string RegistryTree::Serialize() const {
  std::string out;
  out.append(kHeader).push_back('\n');
  struct Pending {
    const Key* key;
    std::string line;  // "key ROOT "a" "b"" of this key
    bool is_root;
  };
  for (const auto& [root, root_key] : roots_) {
    std::vector<Pending> stack;
    stack.push_back({root_key.get(), "key " + std::string(RootName(root)), true});
    while (!stack.empty()) {
      Pending item = std::move(stack.back());
      stack.pop_back();
      // Every key gets its line so that keys without values persist too; a root without
      // values needs none, as every root exists.
      if (!item.is_root || !item.key->values.empty()) {
        out.append(item.line).push_back('\n');
        for (const auto& [folded, named] : item.key->values) {
          out.append("value ");
          AppendQuoted(named.name, out);
          const RegistryValue& value = named.value;
          if (value.type == kRegString) {
            out.append(" sz ");
            AppendQuoted(value.data, out);
          } else if (value.type == kRegExpandString) {
            out.append(" expand_sz ");
            AppendQuoted(value.data, out);
          } else if (value.type == kRegNumber && value.data.size() == 4) {
            out.append(" dword ").append(std::to_string(value.AsNumber()));
          } else {
            out.append(" type ").append(std::to_string(value.type)).push_back(' ');
            AppendQuoted(value.data, out);
          }
          out.push_back('\n');
        }
      }
      // Pushed in reverse so that the walk writes subkeys in name order.
      for (auto it = item.key->subkeys.rbegin(); it != item.key->subkeys.rend(); ++it) {
        std::string line = item.line;
        line.push_back(' ');
        AppendQuoted(it->second->name, line);
        stack.push_back({it->second.get(), std::move(line), false});
      }
    }
  }
  out.append(kTrailer).push_back('\n');
  return out;
}

Status RegistryTree::Parse(std::string_view text, RegistryTree* tree) {
  *tree = RegistryTree();
  RegistryTree parsed;
  Key* current = nullptr;
  bool seen_header = false;
  bool seen_trailer = false;
  std::size_t line_number = 0;
  while (!text.empty()) {
    std::size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    LineReader reader(line);
    if (reader.AtEnd() || line.front() == '#') continue;
    if (seen_trailer) return LineError(line_number, "text after the end line");
    if (!seen_header) {
      if (line != kHeader) return LineError(line_number, "not a registry store of this version");
      seen_header = true;
      continue;
    }
    std::string word;
    reader.Word(&word);
    if (word == kTrailer && reader.AtEnd()) {
      seen_trailer = true;
    } else if (word == "key") {
      std::uint32_t root;
      if (!reader.Word(&word) || !RootFromName(word, &root)) {
        return LineError(line_number, "unknown root key");
      }
      current = parsed.Root(root);
      while (!reader.AtEnd()) {
        std::string name;
        if (!reader.Quoted(&name) || name.empty() || name.find('\\') != std::string::npos ||
            name.find('\0') != std::string::npos) {
          return LineError(line_number, "malformed key name");
        }
        std::unique_ptr<Key>& subkey = current->subkeys[Fold(name)];
        if (!subkey) {
          subkey = std::make_unique<Key>();
          subkey->name = name;
        }
        current = subkey.get();
      }
    } else if (word == "value") {
      if (current == nullptr) return LineError(line_number, "value before any key");
      std::string name;
      if (!reader.Quoted(&name) || name.find('\0') != std::string::npos) {
        return LineError(line_number, "malformed value name");
      }
      RegistryValue value;
      std::string kind;
      reader.Word(&kind);
      bool ok = false;
      if (kind == "sz" || kind == "expand_sz") {
        value.type = kind == "sz" ? kRegString : kRegExpandString;
        ok = reader.Quoted(&value.data);
      } else if (kind == "dword") {
        std::uint32_t number;
        ok = reader.Word(&word) && ParseUnsigned(word, &number);
        if (ok) value = RegistryValue::Number(number);
      } else if (kind == "type") {
        ok = reader.Word(&word) && ParseUnsigned(word, &value.type) && reader.Quoted(&value.data);
      }
      if (!ok || !reader.AtEnd()) return LineError(line_number, "malformed value");
      auto [slot, inserted] = current->values.try_emplace(Fold(name));
      if (!inserted) return LineError(line_number, "value stored twice");
      slot->second.name = std::move(name);
      slot->second.value = std::move(value);
      continue;
    } else {
      return LineError(line_number, "unknown line");
    }
    if (!reader.AtEnd()) return LineError(line_number, "unexpected text");
  }
  // A file with nothing in it holds no data to lose: it is an empty store.
  if (!seen_header) return Status::Ok();
  if (!seen_trailer) return LineError(line_number, "registry store is cut short");
  *tree = std::move(parsed);
  return Status::Ok();
}

}  // namespace platform::posix
