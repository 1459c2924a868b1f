#include "engine/run_record.h"

#include <charconv>
#include <ctime>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "platform/input_file.h"
#include "platform/output_folder.h"
#include "platform/path_rules.h"
#include "platform/temp_file.h"

namespace engine {
namespace {

constexpr std::string_view kFilesHeader =
    "# grebewick files 1: \"source<TAB>path\", then \"size<TAB>mtime<TAB>path\" per file\n";
constexpr std::string_view kReadArchives = "read-archives";
constexpr std::string_view kSourceLine = "source\t";
// What the spool and the writer hold at a time.
constexpr std::size_t kPart = 1 << 20;

// sha256sum escapes only these three; TAB is escaped too in the files list, whose fields
// TABs separate.
// Appends `text` escaped to `out` (the files list is written a line at a time into one
// growing text, with no string per file).
void AppendEscaped(std::string_view text, bool tab, std::string& out, bool* escaped) {
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        if (tab) {
          out += "\\t";
          break;
        }
        [[fallthrough]];
      default:
        out.push_back(c);
        continue;
    }
    *escaped = true;
  }
}

std::string Escape(std::string_view text, bool tab, bool* escaped) {
  std::string out;
  out.reserve(text.size());
  AppendEscaped(text, tab, out, escaped);
  return out;
}

bool Unescape(std::string_view text, bool tab, std::string* out) {
  out->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out->push_back(text[i]);
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\':
        out->push_back('\\');
        break;
      case 'n':
        out->push_back('\n');
        break;
      case 'r':
        out->push_back('\r');
        break;
      case 't':
        if (!tab) return false;
        out->push_back('\t');
        break;
      default:
        return false;
    }
  }
  return true;
}

bool IsHex(std::string_view text) {
  return text.size() == 64 && text.find_first_not_of("0123456789abcdefABCDEF") == text.npos;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number* value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Calls `line` for each line of `text` (without its line feed) with its 1-based number;
// stops at the first false and reports that line.
template <typename Visit>
bool EachLine(std::string_view text, std::size_t* bad_line, Visit line) {
  std::size_t number = 0;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    ++number;
    if (!line(text.substr(0, end))) {
      if (bad_line) *bad_line = number;
      return false;
    }
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return true;
}

platform::Status ReadWhole(const std::string& path, std::string* text, bool* found) {
  std::unique_ptr<platform::InputFile> file;
  platform::Status status = platform::InputFile::Open(path, &file);
  *found = !status.IsNotFound();
  if (!status.ok()) return *found ? status : platform::Status::Ok();
  text->clear();
  char buffer[1 << 16];
  for (;;) {
    std::size_t got = 0;
    status = file->Read(std::span(reinterpret_cast<std::uint8_t*>(buffer), sizeof buffer), &got);
    if (!status.ok()) return status;
    if (got == 0) return platform::Status::Ok();
    text->append(buffer, got);
  }
}

platform::Status WriteText(platform::OutputFile& file, std::string_view text) {
  return file.Write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

platform::Status CommitNow(platform::OutputFile& file, std::string_view name) {
  return file.Commit(name, std::nullopt, static_cast<std::int64_t>(std::time(nullptr)), true);
}

// Calls `line` for each whole line of the file at `path` (without its line feed), reading a
// part at a time.
platform::Status EachLineOf(const std::string& path, bool* found,
                            platform::FunctionRef<platform::Status(std::string_view)> line) {
  std::unique_ptr<platform::InputFile> file;
  platform::Status status = platform::InputFile::Open(path, &file);
  *found = !status.IsNotFound();
  if (!status.ok()) return *found ? status : platform::Status::Ok();
  std::string carry;
  std::vector<std::uint8_t> buffer(kPart);
  for (;;) {
    std::size_t got = 0;
    status = file->Read(buffer, &got);
    if (!status.ok()) return status;
    carry.append(reinterpret_cast<const char*>(buffer.data()), got);
    std::string_view rest(carry);
    for (std::size_t end; (end = rest.find('\n')) != rest.npos || (got == 0 && !rest.empty());) {
      if (end == rest.npos) end = rest.size();
      status = line(rest.substr(0, end));
      if (!status.ok()) return status;
      rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    carry.erase(0, carry.size() - rest.size());
    if (got == 0) return platform::Status::Ok();
  }
}

// The files list of the day: the sections of an earlier run of the day whose sources
// `files` does not list again, then what `files` holds.
platform::Status WriteFiles(platform::OutputFolder& folder, const std::string& earlier_path,
                            FilesSpool& files, bool read_archives) {
  std::unique_ptr<platform::OutputFile> file;
  platform::Status status = folder.CreateTemporary(&file);
  if (!status.ok()) return status;
  std::string text(kFilesHeader);
  if (read_archives) text.append(kReadArchives).push_back('\n');
  const std::unordered_set<std::string> again(files.sources().begin(), files.sources().end());
  bool kept = false, found = false;
  std::string source;
  status = EachLineOf(earlier_path, &found, [&](std::string_view line) {
    if (line.starts_with('#') || line == kReadArchives) return platform::Status::Ok();
    if (line.starts_with(kSourceLine)) {
      kept = !Unescape(line.substr(kSourceLine.size()), true, &source) || !again.contains(source);
    }
    if (kept) text.append(line).push_back('\n');
    if (text.size() < kPart) return platform::Status::Ok();
    platform::Status written = WriteText(*file, text);
    text.clear();
    return written;
  });
  if (status.ok()) {
    status = files.Replay([&](std::string_view part) {
      text.append(part);
      if (text.size() < kPart) return platform::Status::Ok();
      platform::Status written = WriteText(*file, text);
      text.clear();
      return written;
    });
  }
  if (status.ok()) status = WriteText(*file, text);
  return status.ok() ? CommitNow(*file, kFilesFile) : status;
}

}  // namespace

std::string RecordPath(std::string_view path) {
  std::string out(path);
  while (!out.empty() && platform::IsSeparator(out.front())) out.erase(0, 1);
  if (platform::Separator() != '/') {
    for (char& c : out) {
      if (platform::IsSeparator(c)) c = '/';
    }
  }
  return out;
}

std::string PlatformPath(std::string_view record_path) {
  std::string out(record_path);
  if (platform::Separator() != '/') {
    for (char& c : out) {
      if (c == '/') c = platform::Separator();
    }
  }
  return out;
}

namespace {

void AppendSumLine(const RecordedSum& sum, std::string& text) {
  bool escaped = false;
  const std::string name = Escape(sum.path, false, &escaped);
  if (escaped) text.push_back('\\');
  text += sum.hex;
  text += "  ";
  text += name;
  text.push_back('\n');
}

// Written a part at a time: a day's sums are as many as its copies.
platform::Status WriteSums(platform::OutputFolder& folder, const std::vector<RecordedSum>& sums) {
  std::unique_ptr<platform::OutputFile> file;
  platform::Status status = folder.CreateTemporary(&file);
  std::string text;
  for (std::size_t i = 0; status.ok() && i < sums.size(); ++i) {
    AppendSumLine(sums[i], text);
    if (text.size() >= kPart || i + 1 == sums.size()) {
      status = WriteText(*file, text);
      text.clear();
    }
  }
  return status.ok() ? CommitNow(*file, kSumsFile) : status;
}

}  // namespace

std::string SumsText(const std::vector<RecordedSum>& sums) {
  std::string text;
  for (const RecordedSum& sum : sums) AppendSumLine(sum, text);
  return text;
}

bool ParseSums(std::string_view text, std::vector<RecordedSum>* sums, std::size_t* bad_line) {
  return EachLine(text, bad_line, [&](std::string_view line) {
    const bool escaped = line.starts_with('\\');
    if (escaped) line.remove_prefix(1);
    // "<hex>  <name>" for text mode, "<hex> *<name>" for binary mode.
    if (line.size() < 67 || !IsHex(line.substr(0, 64)) || line[64] != ' ' ||
        (line[65] != ' ' && line[65] != '*')) {
      return false;
    }
    RecordedSum sum;
    sum.hex = std::string(line.substr(0, 64));
    for (char& c : sum.hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (escaped) {
      if (!Unescape(line.substr(66), false, &sum.path)) return false;
    } else {
      sum.path = std::string(line.substr(66));
    }
    sums->push_back(std::move(sum));
    return true;
  });
}

FilesSpool::FilesSpool() = default;

FilesSpool::~FilesSpool() {
  file_.reset();
  folder_.reset();
  if (!path_.empty()) platform::RemoveFile(path_);
}

void FilesSpool::BeginSource(std::string_view record_path) {
  sources_.emplace_back(record_path);
  bool escaped = false;
  text_.append(kSourceLine);
  AppendEscaped(record_path, true, text_, &escaped);
  text_.push_back('\n');
}

void FilesSpool::Add(std::string_view record_path, std::uint64_t size, std::int64_t mtime) {
  bool escaped = false;
  char number[24];
  auto end = std::to_chars(number, number + sizeof number, size).ptr;
  text_.append(number, end).push_back('\t');
  end = std::to_chars(number, number + sizeof number, mtime).ptr;
  text_.append(number, end).push_back('\t');
  AppendEscaped(record_path, true, text_, &escaped);
  text_.push_back('\n');
  if (text_.size() >= kPart) Spill();
}

void FilesSpool::Spill() {
  if (!status_.ok()) return;
  if (!file_) {
    // The committed name is taken first, so that no other program can have it meanwhile.
    status_ = platform::CreateUniqueFile(platform::TemporaryFolder(), "gwf", &path_);
    if (status_.ok()) status_ = platform::OutputFolder::Open(platform::TemporaryFolder(), &folder_);
    if (status_.ok()) status_ = folder_->CreateTemporary(&file_);
    if (!status_.ok()) return;
  }
  status_ = WriteText(*file_, text_);
  text_.clear();
}

platform::Status FilesSpool::Replay(
    platform::FunctionRef<platform::Status(std::string_view)> part) {
  if (file_) {
    Spill();
    std::string name = path_;
    while (!name.empty() && !platform::IsSeparator(name.back())) name.erase(name.size() - 1);
    if (status_.ok()) status_ = CommitNow(*file_, std::string_view(path_).substr(name.size()));
    file_.reset();
    folder_.reset();
    spilled_ = true;
  }
  if (!status_.ok()) return status_;
  if (spilled_) {
    std::unique_ptr<platform::InputFile> input;
    platform::Status status = platform::InputFile::Open(path_, &input);
    std::vector<std::uint8_t> buffer(kPart);
    for (std::size_t got = 1; status.ok() && got > 0;) {
      status = input->Read(buffer, &got);
      if (status.ok() && got > 0) {
        status = part(std::string_view(reinterpret_cast<const char*>(buffer.data()), got));
      }
    }
    if (!status.ok()) return status;
  }
  // What is still in memory follows what was spilled.
  return part(text_);
}

std::string FilesText(const std::vector<RecordedSource>& sources, bool read_archives) {
  std::string text(kFilesHeader);
  if (read_archives) text.append(kReadArchives).push_back('\n');
  bool escaped = false;
  for (const RecordedSource& source : sources) {
    text += "source\t" + Escape(source.path, true, &escaped) + "\n";
    for (const RecordedFile& file : source.files) {
      text += std::to_string(file.size) + "\t" + std::to_string(file.mtime) + "\t" +
              Escape(file.path, true, &escaped) + "\n";
    }
  }
  return text;
}

bool ParseFiles(std::string_view text, std::vector<RecordedSource>* sources, std::size_t* bad_line,
                bool* read_archives) {
  return EachLine(text, bad_line, [&](std::string_view line) {
    if (line.empty() || line.starts_with('#')) return true;
    if (line == kReadArchives) {
      if (read_archives) *read_archives = true;
      return true;
    }
    if (line.starts_with("source\t")) {
      RecordedSource source;
      if (!Unescape(line.substr(7), true, &source.path)) return false;
      sources->push_back(std::move(source));
      return true;
    }
    const std::size_t first = line.find('\t');
    const std::size_t second = line.find('\t', first == line.npos ? line.size() : first + 1);
    RecordedFile file;
    if (sources->empty() || second == line.npos ||
        !ParseNumber(line.substr(0, first), &file.size) ||
        !ParseNumber(line.substr(first + 1, second - first - 1), &file.mtime) ||
        !Unescape(line.substr(second + 1), true, &file.path) || file.path.empty()) {
      return false;
    }
    sources->back().files.push_back(std::move(file));
    return true;
  });
}

void MergeRecord(RunRecord* earlier, const RunRecord& later) {
  for (const RecordedSource& source : later.sources) {
    bool replaced = false;
    for (RecordedSource& old : earlier->sources) {
      if (old.path == source.path) {
        old = source;
        replaced = true;
      }
    }
    if (!replaced) earlier->sources.push_back(source);
  }
  std::unordered_map<std::string_view, std::size_t> at;
  for (std::size_t i = 0; i < earlier->sums.size(); ++i) at[earlier->sums[i].path] = i;
  std::vector<RecordedSum> added;
  for (const RecordedSum& sum : later.sums) {
    if (auto it = at.find(sum.path); it != at.end()) {
      earlier->sums[it->second].hex = sum.hex;
    } else {
      added.push_back(sum);
    }
  }
  earlier->sums.insert(earlier->sums.end(), added.begin(), added.end());
}

platform::Status ReadRunRecord(const std::string& date_folder, RunRecord* record, bool* found) {
  const std::string folder =
      date_folder + platform::Separator() + kRecordFolder + platform::Separator();
  std::string text;
  bool sums_found = false, files_found = false;
  std::size_t bad_line = 0;
  platform::Status status = ReadWhole(folder + kSumsFile, &text, &sums_found);
  if (!status.ok()) return status;
  if (sums_found && !ParseSums(text, &record->sums, &bad_line)) {
    return platform::Status::Error(platform::kInvalidArgument,
                                   "read(" + folder + kSumsFile + "): line " +
                                       std::to_string(bad_line) + " is not a sha256sum line");
  }
  status = ReadWhole(folder + kFilesFile, &text, &files_found);
  if (!status.ok()) return status;
  if (files_found && !ParseFiles(text, &record->sources, &bad_line, &record->read_archives)) {
    return platform::Status::Error(
        platform::kInvalidArgument,
        "read(" + folder + kFilesFile + "): line " + std::to_string(bad_line) + " is malformed");
  }
  *found = sums_found || files_found;
  return platform::Status::Ok();
}

platform::Status WriteRunRecord(const std::string& destination, const std::string& date_name,
                                const RunRecord& record, FilesSpool& files) {
  RunRecord merged;
  bool found = false;
  std::string date_folder = destination;
  if (date_folder.empty() || !platform::IsSeparator(date_folder.back())) {
    date_folder += platform::Separator();
  }
  date_folder += date_name;
  const std::string record_folder =
      date_folder + platform::Separator() + kRecordFolder + platform::Separator();
  // Only the sums are read whole: they are as many as the day's copies. The files list of an
  // earlier run of the day is merged line by line.
  std::string text;
  std::size_t bad_line = 0;
  platform::Status status = ReadWhole(record_folder + kSumsFile, &text, &found);
  if (!status.ok()) return status;
  if (found && !ParseSums(text, &merged.sums, &bad_line)) {
    return platform::Status::Error(platform::kInvalidArgument,
                                   "read(" + record_folder + kSumsFile + "): line " +
                                       std::to_string(bad_line) + " is not a sha256sum line");
  }
  // The day's first run writes its own sums as they are, without a second copy of them.
  const std::vector<RecordedSum>* sums = &record.sums;
  if (found) {
    MergeRecord(&merged, record);
    sums = &merged.sums;
  }

  std::unique_ptr<platform::OutputFolder> top, day, folder;
  bool created = false;
  status = platform::OutputFolder::Open(destination, &top);
  if (status.ok()) status = top->OpenFolder(date_name, false, &day, &created);
  if (status.ok()) status = day->OpenFolder(kRecordFolder, true, &folder, &created);
  if (status.ok()) status = WriteSums(*folder, *sums);
  if (status.ok()) {
    status = WriteFiles(*folder, record_folder + kFilesFile, files, record.read_archives);
  }
  return status;
}

}  // namespace engine
