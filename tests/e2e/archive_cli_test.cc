// grebewick-cli with LZH archives: the comparison read from archives that an independent
// archiver made, the listing of the shared corpus, and a machine without the library.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing_support::ProgramResult;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::int64_t kT = 1577934246;  // 2020-01-02 03:04:06 UTC, an even second

bool Have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

// Source files relative to `root`, as a dry run lists them.
std::vector<std::string> DrySources(const ProgramResult& result, const std::string& root) {
  std::vector<std::string> sources;
  for (const std::string& line : Lines(result.out)) {
    sources.push_back(line.substr(root.size() + 1, line.find('\t') - root.size() - 1));
  }
  std::sort(sources.begin(), sources.end());
  return sources;
}

class ArchiveComparisonTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (!Have("jlha")) GTEST_SKIP() << "jlha is not installed: skipped";
    WriteFile(dir_ / "src/a.txt", "alpha", kT);
    WriteFile(dir_ / "src/sub/b.txt", "bravo", kT);
    WriteFile(dir_ / "src/sub/c.txt", "charlie", kT);
    testing_support::MakeFolders(dir_ / "cmp");
    // Stored as src/..., a folder relative to where the archiver ran.
    std::string command = "cd '" + dir_.path() + "' && TZ=UTC jlha " + GetParam() +
                          " cmp/Backup.LZH src/a.txt src/sub/b.txt src/sub/c.txt >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    WriteFile(dir_ / "src/sub/c.txt", "charlie, changed", kT + 600);
    WriteFile(dir_ / "src/new.txt", "new", kT);
  }

  ProgramResult DryRun(std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments = {GREBEWICK_CLI, "--dest",    dir_.path(),  "--source",
                                          dir_ / "src",  "--compare", dir_ / "cmp", "--dry-run"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunProgram(WithUtc(arguments));
  }
  static std::vector<std::string> WithUtc(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"/usr/bin/env", "TZ=UTC"});
    return arguments;
  }

  TempDir dir_;
};

TEST_P(ArchiveComparisonTest, FilesWithAnUnchangedCopyInAnArchiveAreNotCopied) {
  ProgramResult run = DryRun();
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_THAT(DrySources(run, dir_.path()), ::testing::ElementsAre("src/new.txt", "src/sub/c.txt"));

  ProgramResult without = DryRun({"--no-lha"});
  EXPECT_THAT(DrySources(without, dir_.path()),
              ::testing::ElementsAre("src/a.txt", "src/new.txt", "src/sub/b.txt", "src/sub/c.txt"));

  // Moved elsewhere, the same files are settled only when any folder is accepted.
  fs::rename(dir_ / "src", dir_ / "moved");
  std::vector<std::string> moved = {GREBEWICK_CLI,  "--dest",    dir_.path(),  "--source",
                                    dir_ / "moved", "--compare", dir_ / "cmp", "--dry-run"};
  EXPECT_EQ(Lines(RunProgram(WithUtc(moved)).out).size(), 4u);
  moved.push_back("--any-folder");
  EXPECT_EQ(Lines(RunProgram(WithUtc(moved)).out).size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(HeaderLevels, ArchiveComparisonTest,
                         ::testing::Values("a0z", "a1", "a2", "a2o7"));

// A member as "name|folder|size|packed|method|crc", lower-cased and with control characters
// as "?", the form in which the listing and the reference are compared.
std::string Projection(std::vector<std::string> fields) {
  std::string text;
  for (std::string& field : fields) {
    for (char& c : field) {
      c = (c > 0 && c < 0x20) ? '?' : static_cast<char>(std::tolower(c));
    }
    text += field + "|";
  }
  return text;
}

std::string Grouped(const std::string& digits) {
  std::string text;
  for (std::size_t k = 0; k < digits.size(); ++k) {
    if (k > 0 && (digits.size() - k) % 3 == 0) text.push_back(',');
    text.push_back(digits[k]);
  }
  return text;
}

// The reference reader's header fields of every member, projected.
std::vector<std::string> ExpectedMembers(const fs::path& file) {
  std::vector<std::map<std::string, std::string>> members(1);
  std::ifstream in(file);
  std::string key;
  for (std::string line; std::getline(in, line);) {
    std::size_t colon = line.find(": ");
    if (line == "--") {
      members.emplace_back();
    } else if (colon == std::string::npos) {
      members.back()[key] += "\n" + line;  // a name with a line break goes on here
    } else {
      key = line.substr(0, colon);
      members.back()[key] = line.substr(colon + 2);
    }
  }
  if (members.back().empty()) members.pop_back();
  std::vector<std::string> projected;
  for (auto& m : members) {
    std::string folder = m.count("path") ? m["path"] : "\\";
    std::replace(folder.begin(), folder.end(), '/', '\\');
    // The reference renames LHARK's private -lh7- to -lk7-; the listing shows the stored id.
    std::string method = m["compress_method"] == "-lk7-" ? "-lh7-" : m["compress_method"];
    projected.push_back(Projection({m["filename"], folder, Grouped(m["length"]),
                                    Grouped(m["compressed_length"]), method, m["crc"]}));
  }
  return projected;
}

// Every member of every archive in the shared corpus, as the archive object formats it,
// against the header fields another reader decoded (the other reader lower-cases some names,
// so both sides are compared lower-cased). Times are compared level by level in the
// library's own conformance test.
TEST(ListArchiveTest, AgreesWithTheDecodedHeadersOfTheCorpus) {
  const fs::path corpus = GREBEWICK_LZH_CORPUS;
  if (!fs::is_directory(corpus / "headers")) {
    GTEST_SKIP() << "LZH corpus not found at " << corpus << ": skipped";
  }
  int archives = 0;
  for (const auto& entry : fs::recursive_directory_iterator(corpus / "headers")) {
    std::string relative = fs::relative(entry.path(), corpus / "headers").generic_string();
    if (!entry.is_regular_file() || !relative.ends_with("-hdr.txt")) continue;
    relative.resize(relative.size() - 8);
    SCOPED_TRACE(relative);
    ProgramResult listing =
        RunProgram({GREBEWICK_CLI, "--list-archive", (corpus / "archives" / relative).string()});
    // A truncated archive is listed as far as it goes, and said not to be whole.
    EXPECT_EQ(listing.exit_status, relative == "regression/truncated.lzh" ? 4 : 0) << listing.err;
    std::vector<std::string> got;
    for (const std::string& line : Lines(listing.out)) {
      std::vector<std::string> f = Fields(line);
      ASSERT_EQ(f.size(), 10u) << line;
      got.push_back(Projection({f[0], f[1], f[2], f[3], f[8], f[9]}));
    }
    EXPECT_EQ(got, ExpectedMembers(entry.path()));
    ++archives;
  }
  EXPECT_GT(archives, 100);
}

TEST(ListArchiveTest, FilesThatAreNotArchivesAreRefused) {
  TempDir dir;
  WriteFile(dir / "text.lzh", "plain text, not an archive");
  ProgramResult text = RunProgram({GREBEWICK_CLI, "--list-archive", dir / "text.lzh"});
  EXPECT_EQ(text.exit_status, 4);
  EXPECT_THAT(text.err, HasSubstr("not a readable LZH archive"));
  EXPECT_EQ(RunProgram({GREBEWICK_CLI, "--list-archive", dir / "missing.lzh"}).exit_status, 4);
}

// What lhasa extracts from the corpus and we deliberately do not extract alike, by the start
// of the archive's path.
const std::pair<const char*, const char*> kDifferences[] = {
    // -pm1- and -pm2- are not decoded: those members are reported as unsupported.
    {"pmarc124/", "pm"},
    {"pmarc2/", "pm"},
    {"generated/pm1/", "pm"},
    // Members named with ".." are refused; lhasa drops the ".." parts.
    {"regression/dotdot.lzh", "refused"},
    // Control characters in names: lhasa drops them, we show "?".
    {"regression/badterm.lzh", "renamed"},
};

std::string DifferenceOf(const std::string& archive) {
  for (auto [start, kind] : kDifferences) {
    if (archive.starts_with(start)) return kind;
  }
  return "";
}

// Archives that fail the test: methods we do not decode, LHARK's own -lh7-, damage, and
// archives that end without an end mark (nothing tells them from one cut at a member's end).
bool FailsTheTest(const std::string& archive) {
  for (const char* bad :
       {"pmarc124/mtcd", "pmarc124/pm1", "pmarc2/comment", "pmarc2/long", "pmarc2/pm2",
        "pmarc2/sfx", "generated/pm1/", "lhark04d/lh7", "regression/truncated", "unlha32/lh2",
        "unlha32/lh3", "larc333/initial.lzs", "generated/lzs/"}) {
    if (archive.starts_with(bad)) return true;
  }
  return false;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Every archive of the corpus is tested, and every file that lhasa extracts from it, we
// extract byte for byte the same (lhasa lower-cases some names, so names are compared
// without regard to case).
TEST(ExtractArchiveTest, TheCorpusIsTestedAndExtractedAsLhasaDoes) {
  const fs::path corpus = GREBEWICK_LZH_CORPUS;
  if (!fs::is_directory(corpus / "archives") || !Have("lhasa")) {
    GTEST_SKIP() << "LZH corpus (" << corpus << ") or lhasa missing: skipped";
  }
  int compared = 0;
  for (const auto& entry : fs::recursive_directory_iterator(corpus / "archives")) {
    std::string name = fs::relative(entry.path(), corpus / "archives").generic_string();
    if (!entry.is_regular_file() || name.find("README") != std::string::npos) continue;
    SCOPED_TRACE(name);
    ProgramResult test = RunProgram({GREBEWICK_CLI, "--test-archive", entry.path()});
    EXPECT_EQ(test.exit_status, FailsTheTest(name) ? 4 : 0) << test.out << test.err;
    EXPECT_EQ(test.out.empty(), !FailsTheTest(name)) << test.out;

    TempDir dir;
    testing_support::MakeFolders(dir / "lhasa");
    ProgramResult lhasa =
        RunProgram({"/usr/bin/env", "lhasa", "xqfw=" + dir / "lhasa", entry.path()});
    ProgramResult ours =
        RunProgram({GREBEWICK_CLI, "--extract-archive", entry.path(), dir / "ours"});
    if (lhasa.exit_status != 0) continue;  // lhasa cannot either
    std::map<std::string, std::string> extracted;
    for (const std::string& file : testing_support::FilesBelow(dir / "ours")) {
      extracted[Lower(file)] = testing_support::ReadFile(dir / "ours/" + file);
    }
    const std::string difference = DifferenceOf(name);
    for (const std::string& file : testing_support::FilesBelow(dir / "lhasa")) {
      std::string theirs = testing_support::ReadFile(dir / "lhasa/" + file);
      auto it = extracted.find(Lower(file));
      if (it == extracted.end()) {
        EXPECT_NE(difference, "") << file << " is missing\n" << ours.out << ours.err;
        continue;
      }
      // (Compared as booleans: a failure would print two whole files.)
      EXPECT_TRUE(it->second == theirs)
          << file << ": " << it->second.size() << " bytes, lhasa " << theirs.size();
      ++compared;
    }
  }
  EXPECT_GT(compared, 140);
}

TEST(ExtractArchiveTest, DamageIsReportedPerMemberAndLeavesNoFile) {
  if (!Have("jlha")) GTEST_SKIP() << "jlha is not installed: skipped";
  TempDir dir;
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i * 7 % 13) + "\n";
  WriteFile(dir / "src/a.txt", text, kT);
  WriteFile(dir / "src/sub/b.txt", text + "b", kT);
  std::string command =
      "cd '" + dir.path() + "/src' && jlha a1q ../ok.lzh a.txt sub >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  // The byte before the end mark is the last member's data.
  std::string bytes = testing_support::ReadFile(dir / "ok.lzh");
  bytes[bytes.size() - 2] ^= 0x10;
  WriteFile(dir / "bad.lzh", bytes);

  ProgramResult good = RunProgram({GREBEWICK_CLI, "--test-archive", dir / "ok.lzh"});
  EXPECT_EQ(good.exit_status, 0) << good.err;
  EXPECT_EQ(good.out, "");
  ProgramResult bad = RunProgram({GREBEWICK_CLI, "--test-archive", dir / "bad.lzh"});
  EXPECT_EQ(bad.exit_status, 4);
  EXPECT_THAT(Lines(bad.out), ::testing::ElementsAre(::testing::StartsWith("sub\\b.txt: ")));

  ProgramResult extract =
      RunProgram({GREBEWICK_CLI, "--extract-archive", dir / "bad.lzh", dir / "out"});
  EXPECT_EQ(extract.exit_status, 4);
  EXPECT_EQ(testing_support::FilesBelow(dir / "out"), std::vector<std::string>{"a.txt"});
  EXPECT_EQ(testing_support::Mtime(dir / "out/a.txt"), kT);

  // Into a folder that holds the files already: nothing is replaced.
  ProgramResult again =
      RunProgram({GREBEWICK_CLI, "--extract-archive", dir / "ok.lzh", dir / "out", "*.txt"});
  EXPECT_EQ(again.exit_status, 1);
  EXPECT_THAT(again.out, HasSubstr("a.txt: exists"));
  EXPECT_EQ(testing_support::ReadFile(dir / "out/sub/b.txt"), text + "b");
}

// The member record holds 512 bytes of a path; the listing shows a longer one whole.
TEST(ListArchiveTest, PathsLongerThanTheRecordAreListedWhole) {
  if (!Have("jlha")) GTEST_SKIP() << "jlha is not installed: skipped";
  TempDir dir;
  std::string folder;
  for (int i = 0; i < 60; ++i) folder += "folder" + std::to_string(10 + i) + "/";
  WriteFile(dir / ("src/" + folder + "file.txt"), "deep", kT);
  std::string command = "cd '" + dir.path() + "/src' && jlha a2q ../long.lzh '" + folder +
                        "file.txt' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  ProgramResult listed = RunProgram({GREBEWICK_CLI, "--list-archive", dir / "long.lzh"});
  ASSERT_EQ(listed.exit_status, 0) << listed.err;
  const std::vector<std::string> fields = Fields(Lines(listed.out).at(0));
  std::replace(folder.begin(), folder.end(), '/', '\\');
  EXPECT_EQ(fields.at(0), "file.txt");
  EXPECT_EQ(fields.at(1), folder);
}

// Each archive command takes its own options only; the run's options, or a second command,
// are a mistake to point out rather than to ignore.
TEST(ArchiveCommandsTest, OptionsOfAnotherCommandAreAUsageError) {
  const std::vector<std::vector<std::string>> wrong = {
      {"--list-archive", "a.lzh", "--dest", "d"},
      {"--list-archive", "a.lzh", "--source", "s"},
      {"--test-archive", "a.lzh", "--date", "20250101"},
      {"--extract-archive", "a.lzh", "out", "--source", "s"},
      {"--extract-archive", "a.lzh", "out", "--mkpath"},
      {"--test-archive", "a.lzh", "-0"},
      {"--test-archive", "a.lzh", "--list-archive", "b.lzh"},
      {"--list-archive", "a.lzh", "--incremental"},
  };
  for (std::vector<std::string> arguments : wrong) {
    arguments.insert(arguments.begin(), GREBEWICK_CLI);
    ProgramResult run = RunProgram(arguments);
    EXPECT_EQ(run.exit_status, 2) << arguments[1] << " " << arguments.back() << "\n" << run.err;
    // One line, naming what is wrong.
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
  TempDir dir;
  WriteFile(dir / "text.lzh", "not an archive");
  // -0 belongs with the listing; -q with anything.
  EXPECT_EQ(RunProgram({GREBEWICK_CLI, "--list-archive", dir / "text.lzh", "-0", "-q"}).exit_status,
            4);
}

TEST(MissingLibraryTest, TheRunGoesOnWithoutArchivesAndSaysSoOnce) {
  TempDir dir;
  // A copy of the program alone in a folder, away from the library beside the original.
  fs::copy_file(GREBEWICK_CLI, dir / "grebewick-cli");
  WriteFile(dir / "src/f", "f", kT);
  WriteFile(dir / "cmp/old.lzh", "whatever");
  ProgramResult run =
      RunProgram({"/usr/bin/env", "PATH=/usr/bin:/bin", dir / "grebewick-cli", "--dest", dir.path(),
                  "--source", dir / "src", "--compare", dir / "cmp", "--dry-run"});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(Lines(run.out).size(), 1u);
  std::size_t first = run.err.find("libunlha32.so was not found");
  ASSERT_NE(first, std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("libunlha32.so was not found", first + 1), std::string::npos);

  for (const char* option : {"--list-archive", "--test-archive"}) {
    ProgramResult run = RunProgram(
        {"/usr/bin/env", "PATH=/usr/bin:/bin", dir / "grebewick-cli", option, dir / "cmp/old.lzh"});
    EXPECT_EQ(run.exit_status, 4) << option;
  }
}

}  // namespace
