#include "archive/c_unlha.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/ansi_text.h"
#include "platform/dynamic_library.h"
#include "platform/status.h"
#include "platform/vb_error.h"
#include "unlha32/unlha32.h"

namespace archive {

// The library's entry points, all resolved when it is loaded.
struct cUnLHA::Library {
  std::unique_ptr<platform::DynamicLibrary> handle;
  decltype(&::Unlha) Unlha = nullptr;
  decltype(&::UnlhaGetVersion) UnlhaGetVersion = nullptr;
  decltype(&::UnlhaGetRunning) UnlhaGetRunning = nullptr;
  decltype(&::UnlhaGetBackGroundMode) UnlhaGetBackGroundMode = nullptr;
  decltype(&::UnlhaSetBackGroundMode) UnlhaSetBackGroundMode = nullptr;
  decltype(&::UnlhaGetCursorMode) UnlhaGetCursorMode = nullptr;
  decltype(&::UnlhaSetCursorMode) UnlhaSetCursorMode = nullptr;
  decltype(&::UnlhaCheckArchive) UnlhaCheckArchive = nullptr;
  decltype(&::UnlhaConfigDialog) UnlhaConfigDialog = nullptr;
  decltype(&::UnlhaOpenArchive) UnlhaOpenArchive = nullptr;
  decltype(&::UnlhaFindFirst) UnlhaFindFirst = nullptr;
  decltype(&::UnlhaFindNext) UnlhaFindNext = nullptr;
  decltype(&::UnlhaCloseArchive) UnlhaCloseArchive = nullptr;
  // Optional: a library without it (a genuine one) lists members from the record alone.
  decltype(&::UnlhaGetMemberDetail) UnlhaGetMemberDetail = nullptr;
  decltype(&::UnlhaGetMemberPath) UnlhaGetMemberPath = nullptr;
  decltype(&::UnlhaSetKeepGoing) UnlhaSetKeepGoing = nullptr;

  // Resolves every entry point; returns the name of the first one missing, or "".
  std::string Resolve() {
    std::string missing;
    auto get = [&](auto& function, const char* name) {
      function =
          reinterpret_cast<std::remove_reference_t<decltype(function)>>(handle->Symbol(name));
      if (function == nullptr && missing.empty()) missing = name;
    };
    get(Unlha, "Unlha");
    get(UnlhaGetVersion, "UnlhaGetVersion");
    get(UnlhaGetRunning, "UnlhaGetRunning");
    get(UnlhaGetBackGroundMode, "UnlhaGetBackGroundMode");
    get(UnlhaSetBackGroundMode, "UnlhaSetBackGroundMode");
    get(UnlhaGetCursorMode, "UnlhaGetCursorMode");
    get(UnlhaSetCursorMode, "UnlhaSetCursorMode");
    get(UnlhaCheckArchive, "UnlhaCheckArchive");
    get(UnlhaConfigDialog, "UnlhaConfigDialog");
    get(UnlhaOpenArchive, "UnlhaOpenArchive");
    get(UnlhaFindFirst, "UnlhaFindFirst");
    get(UnlhaFindNext, "UnlhaFindNext");
    get(UnlhaCloseArchive, "UnlhaCloseArchive");
    std::string required = missing;
    get(UnlhaGetMemberDetail, "UnlhaGetMemberDetail");
    get(UnlhaGetMemberPath, "UnlhaGetMemberPath");
    get(UnlhaSetKeepGoing, "UnlhaSetKeepGoing");
    return required;
  }
};

namespace {

std::atomic<bool> unusable_reported{false};

// A path is cut on a whole character, at most this many bytes short of the field.
constexpr std::size_t kLongestAnsiCharacter = 4;
// No header is longer than 1 MiB, so no stored path is either.
constexpr std::size_t kLongestStoredPath = 1 << 20;

UNLHA_BOOL UNLHA_API AskKeepGoing(void* context) {
  auto keep_going = *static_cast<bool (**)()>(context);
  return keep_going() ? 1 : 0;
}

std::string GroupedNumber(std::uint64_t value) {
  std::string digits = std::to_string(value);
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text.push_back(',');
    text.push_back(digits[i]);
  }
  return text;
}

// A ratio word in tenths of a per cent, as "0.0" followed by "%".
std::string RatioText(std::int16_t ratio) {
  int magnitude = ratio < 0 ? -ratio : ratio;
  return (ratio < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." +
         std::to_string(magnitude % 10) + "%";
}

std::string DateText(std::uint16_t date) {
  char text[16];
  std::snprintf(text, sizeof text, "%d/%02d/%02d", 1980 + (date >> 9), (date >> 5) & 15, date & 31);
  return text;
}

std::string TimeText(std::uint16_t time) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", time >> 11, (time >> 5) & 63, 2 * (time & 31));
  return text;
}

std::string CrcText(std::uint32_t crc) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", crc & 0xFFFF);
  return text;
}

// The text of a fixed-size field up to its first NUL, from the library's code page.
std::string FieldText(const char* field, std::size_t size) {
  const void* nul = std::memchr(field, '\0', size);
  return platform::AnsiToUtf8(
      std::string_view(field, nul ? static_cast<const char*>(nul) - field : size));
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return text;
}

// `detail` is null when the library cannot tell more than the record.
// `whole_path` is the stored path in the ANSI code page when the library gave it whole.
ArchiveMember MemberOf(const UnlhaMemberInfo& info, const UnlhaMemberDetail* detail,
                       const char* whole_path) {
  ArchiveMember member;
  std::string stored = whole_path ? platform::AnsiToUtf8(whole_path)
                                  : FieldText(info.szFileName, sizeof info.szFileName);
  if (stored.find_first_of("\\/") != std::string::npos) {
    member.FilePath = cUnLHA::FolderOfPath(stored) + "\\";
    member.FileName = cUnLHA::NameOfPath(stored);
  } else {
    member.FilePath = "\\";
    member.FileName = stored;
  }
  // The record's sizes are unsigned 32-bit words: read as signed, a member of 2 GiB or more
  // would never match its file. The detail has them whole.
  member.FileOriginal = GroupedNumber(detail ? detail->ullOriginalSize : info.dwOriginalSize);
  member.FilePacked = GroupedNumber(detail ? detail->ullCompressedSize : info.dwCompressedSize);
  member.FileRatio = RatioText(static_cast<std::int16_t>(info.wRatio));
  member.FileDate = DateText(info.wDate);
  member.FileTime = TimeText(info.wTime);
  member.FileAttr = Lower(FieldText(info.szAttribute, sizeof info.szAttribute).substr(0, 4));
  member.FileType = FieldText(info.szMode, sizeof info.szMode).substr(0, 5);
  member.FileCRC = CrcText(info.dwCRC);
  if (detail && detail->iHeaderLevel >= 2) member.instant = detail->llWriteTime;
  return member;
}

[[noreturn]] void Fail(int number, const char* what) { throw platform::VbError(number, what); }

}  // namespace

cUnLHA::cUnLHA(const std::string& library_path, platform::MessageBoxService& messages)
    : messages_(messages) {
  platform::Status status;
  auto library = std::make_unique<Library>();
  library->handle = platform::DynamicLibrary::Open(library_path, &status);
  std::string reason = status.message();
  if (library->handle) {
    std::string missing = library->Resolve();
    if (missing.empty()) {
      library_ = std::move(library);
      return;
    }
    reason = "entry point " + missing + " is missing";
  }
  if (!unusable_reported.exchange(true)) {
    messages_.MsgBox("書庫ライブラリを使用できません。LZH 書庫は読み込まれません。\r" +
                         library_path + "\r" + reason,
                     platform::kOkOnly | platform::kExclamation);
  }
}

cUnLHA::~cUnLHA() {
  // The library may outlive this object; it must not call back into it.
  if (keep_going_ != nullptr) SetKeepGoing(nullptr);
}

void cUnLHA::SetCommandLine(std::string& strCommandLine) {
  const int size = (static_cast<int>(max_file_count_) + 4) * 80;
  if (size > 32767 || size < -32768) Fail(platform::kOverflow, "command buffer size overflows");
  if (size < 0) Fail(platform::kInvalidArgument, "command buffer size is negative");
  if (!library_) return;
  const std::string ansi_command = platform::Utf8ToAnsi(strCommandLine);
  std::vector<char> command(ansi_command.begin(), ansi_command.end());
  command.push_back('\0');
  std::vector<char> buffer(static_cast<std::size_t>(size) + 1, '\0');
  int result = library_->Unlha(reinterpret_cast<UNLHA_HWND>(static_cast<std::intptr_t>(hwnd_)),
                               command.data(), buffer.data(), static_cast<std::uint32_t>(size));
  strCommandLine = platform::AnsiToUtf8(std::string_view(command.data(), command.size() - 1));
  // A library that filled the whole buffer left no end to its text.
  const void* nul = std::memchr(buffer.data(), '\0', static_cast<std::size_t>(size));
  if (nul == nullptr) Fail(platform::kInvalidArgument, "command output has no end");
  output_ = platform::AnsiToUtf8(
      std::string_view(buffer.data(), static_cast<const char*>(nul) - buffer.data()));
  command_line_ = strCommandLine;
  return_code_ = result;
}

std::int32_t cUnLHA::Version() {
  return library_ ? static_cast<std::int16_t>(library_->UnlhaGetVersion()) : 0;
}

bool cUnLHA::Running() { return library_ && library_->UnlhaGetRunning() != 0; }

bool cUnLHA::BackGroundMode() { return library_ && library_->UnlhaGetBackGroundMode() != 0; }

void cUnLHA::SetBackGroundMode(bool bNewValue) {
  if (library_) library_->UnlhaSetBackGroundMode(bNewValue ? 1 : 0);
}

bool cUnLHA::CursorMode() { return library_ && library_->UnlhaGetCursorMode() != 0; }

void cUnLHA::SetCursorMode(bool blnNewValue) {
  if (library_) library_->UnlhaSetCursorMode(blnNewValue ? 1 : 0);
}

bool cUnLHA::CheckArchive(const std::string& path) {
  return library_ &&
         library_->UnlhaCheckArchive(platform::AnsiPath(path).c_str(), check_mode_) != 0;
}

void cUnLHA::SetKeepGoing(bool (*keep_going)()) {
  keep_going_ = keep_going;
  if (!library_ || library_->UnlhaSetKeepGoing == nullptr) return;
  if (keep_going == nullptr) {
    library_->UnlhaSetKeepGoing(nullptr, nullptr);
  } else {
    library_->UnlhaSetKeepGoing(&AskKeepGoing, &keep_going_);
  }
}

std::string cUnLHA::ErrString() const { return ErrorMessage(ReturnCode()); }

std::int16_t cUnLHA::SetArcFile(const std::string& strArcFile) {
  UNLHA_HARC archive = library_
                           ? library_->UnlhaOpenArchive(
                                 reinterpret_cast<UNLHA_HWND>(static_cast<std::intptr_t>(hwnd_)),
                                 platform::AnsiPath(strArcFile).c_str(), 0)
                           : nullptr;
  members_.assign(1, ArchiveMember());
  listed_ = true;
  if (archive == nullptr) {
    messages_.MsgBox("'" + strArcFile + "' のﾊﾝﾄﾞﾙの取得に失敗したのサ\rヽ( ´ー｀)丿ﾌｯ",
                     platform::kOkOnly | platform::kExclamation);
    return 0;
  }
  // The library fills at most the record; the buffer it gets is as long as it expects.
  alignas(8) unsigned char buffer[UNLHA_MEMBER_INFO_BUFFER_SIZE] = {};
  auto* info = reinterpret_cast<UnlhaMemberInfo*>(buffer);
  std::int16_t count = 0;
  std::vector<char> whole_path;
  int found = library_->UnlhaFindFirst(archive, "*.*", info);
  while (found == 0) {
    if (count == INT16_MAX) {
      // The member count is 16 bits wide; the handle is closed before the error goes on.
      library_->UnlhaCloseArchive(archive);
      Fail(platform::kOverflow, "more than 32,767 members");
    }
    UnlhaMemberDetail detail{};
    detail.dwStructSize = sizeof detail;
    const bool detailed = library_->UnlhaGetMemberDetail != nullptr &&
                          library_->UnlhaGetMemberDetail(archive, &detail) == 0;
    // The record holds 512 bytes of the path; a longer one, cut there, would show a folder's
    // name as the file's.
    const bool maybe_cut = ::strnlen(info->szFileName, sizeof info->szFileName) >=
                           UNLHA_FNAME_MAX32 - kLongestAnsiCharacter;
    if (maybe_cut && library_->UnlhaGetMemberPath != nullptr) {
      whole_path.resize(kLongestStoredPath + 1);
      if (library_->UnlhaGetMemberPath(archive, whole_path.data(),
                                       static_cast<std::uint32_t>(whole_path.size())) != 0) {
        whole_path.clear();
      }
    } else {
      whole_path.clear();
    }
    members_.resize(static_cast<std::size_t>(count) + 1);
    members_[static_cast<std::size_t>(count)] = MemberOf(
        *info, detailed ? &detail : nullptr, whole_path.empty() ? nullptr : whole_path.data());
    ++count;
    found = library_->UnlhaFindNext(archive, info);
  }
  library_->UnlhaCloseArchive(archive);
  return count;
}

const ArchiveMember& cUnLHA::Member(std::int16_t index) const {
  if (!listed_ || index < 0 || static_cast<std::size_t>(index) >= members_.size()) {
    Fail(platform::kSubscriptOutOfRange, "subscript out of range");
  }
  return members_[static_cast<std::size_t>(index)];
}

std::string cUnLHA::FileName(std::int16_t& intIndex) const { return Member(intIndex).FileName; }
std::string cUnLHA::FilePath(std::int16_t& intIndex) const { return Member(intIndex).FilePath; }
std::string cUnLHA::FileOriginal(std::int16_t& intIndex) const {
  return Member(intIndex).FileOriginal;
}
std::string cUnLHA::FilePacked(std::int16_t& intIndex) const { return Member(intIndex).FilePacked; }
std::string cUnLHA::FileRatio(std::int16_t& intIndex) const { return Member(intIndex).FileRatio; }
std::string cUnLHA::FileDate(std::int16_t& intIndex) const { return Member(intIndex).FileDate; }
std::string cUnLHA::FileTime(std::int16_t& intIndex) const { return Member(intIndex).FileTime; }
std::string cUnLHA::FileAttr(std::int16_t& intIndex) const { return Member(intIndex).FileAttr; }
std::string cUnLHA::FileType(std::int16_t& intIndex) const { return Member(intIndex).FileType; }
std::string cUnLHA::FileCRC(std::int16_t& intIndex) const { return Member(intIndex).FileCRC; }
std::optional<std::int64_t> cUnLHA::FileInstant(std::int16_t& intIndex) const {
  return Member(intIndex).instant;
}

std::string cUnLHA::ConfigDialog(std::string& strOption, std::int32_t lngMode) {
  constexpr std::size_t kOptionSize = 257;
  strOption = (strOption + std::string(kOptionSize, '\0')).substr(0, kOptionSize);
  if (!library_) return std::string();
  std::string ansi_option = platform::Utf8ToAnsi(strOption);
  ansi_option.resize(kOptionSize, '\0');
  std::vector<char> buffer(ansi_option.begin(), ansi_option.end());
  buffer.push_back('\0');  // room for a terminator the library may write past the text
  int result = library_->UnlhaConfigDialog(
      reinterpret_cast<UNLHA_HWND>(static_cast<std::intptr_t>(hwnd_)), buffer.data(), lngMode);
  strOption = platform::AnsiToUtf8(std::string_view(buffer.data(), kOptionSize));
  std::string text;
  if (result != 0) {
    const void* nul = std::memchr(buffer.data(), '\0', kOptionSize);
    if (nul == nullptr) Fail(platform::kInvalidArgument, "settings text has no end");
    text = platform::AnsiToUtf8(
        std::string_view(buffer.data(), static_cast<const char*>(nul) - buffer.data()));
  }
  return_code_ = result;
  return text;
}

std::string cUnLHA::NameOfPath(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  std::size_t separator;
  while ((separator = path.find('\\')) != std::string::npos) path.erase(0, separator + 1);
  while ((separator = path.find(':')) != std::string::npos) path.erase(0, separator + 1);
  return path;
}

std::string cUnLHA::FolderOfPath(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  std::size_t first = path.find('\\');
  std::string taken;
  if (first != std::string::npos && first + 1 == path.size()) {
    taken = path.size() == 1 ? path : path.substr(0, path.size() - 1);
  } else {
    taken = path.substr(0, path.rfind('\\') + 1);
  }
  if (!taken.empty() && taken.back() == '\\') taken.pop_back();
  return taken;
}

}  // namespace archive
