// The exported C entry points. Everything else in the library is hidden; these only check
// their arguments, keep the library's state and hand over to the reader.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "platform/ansi_text.h"
#include "unlha32/ansi_record.h"
#include "unlha32/archive_reader.h"
#include "unlha32/archive_source.h"
#include "unlha32/check_archive.h"
#include "unlha32/command.h"
#include "unlha32/keep_going.h"
#include "unlha32/member_name.h"
#include "unlha32/member_record.h"
#include "unlha32/result_codes.h"
#include "unlha32/unlha32.h"
#include "unlha32/wildcard.h"

namespace unlha32 {
namespace {

constexpr std::uint16_t kVersion = 100;  // 1.00

// Open mode flag: skip damaged headers instead of ending the listing (the same value as
// the check mode's recovery flag).
constexpr std::uint32_t kOpenRecovery = kCheckRecovery;

struct OpenArchive {
  std::unique_ptr<FileSource> source;
  ArchiveReader::Options options;
  std::optional<ArchiveReader> reader;  // the listing under way; none before FindFirst
  std::string pattern;
  std::optional<UnlhaMemberDetail> detail;  // of the member the last find returned
  std::string path;                         // its stored path, whole, in UTF-8
};

std::atomic<int> g_calls_inside{0};
std::atomic<bool> g_background_mode{false};
std::atomic<bool> g_cursor_mode{false};

// Handles are pointers we gave out; a stale or foreign one is refused, never followed.
std::mutex g_open_mutex;
std::set<OpenArchive*>& OpenArchives() {
  static std::set<OpenArchive*> open;
  return open;
}

OpenArchive* Lookup(UNLHA_HARC handle) {
  std::lock_guard<std::mutex> lock(g_open_mutex);
  auto* archive = static_cast<OpenArchive*>(handle);
  return OpenArchives().count(archive) != 0 ? archive : nullptr;
}

// Marks a call as running inside the library for UnlhaGetRunning.
class Inside {
 public:
  Inside() { ++g_calls_inside; }
  ~Inside() { --g_calls_inside; }
  Inside(const Inside&) = delete;
  Inside& operator=(const Inside&) = delete;
};

UnlhaMemberDetail DetailOf(const Member& member) {
  UnlhaMemberDetail detail{};
  detail.dwStructSize = sizeof detail;
  detail.iHeaderLevel = member.level;
  if (member.level >= 2) detail.llWriteTime = member.stamp;
  detail.ullOriginalSize = member.original_size;
  detail.ullCompressedSize = member.packed_size;
  return detail;
}

int NextMatching(OpenArchive& archive, UnlhaMemberInfo* info) {
  Member member;
  HeaderStatus status;
  archive.detail.reset();
  while ((status = archive.reader->Next(&member)) == HeaderStatus::kOk) {
    if (!archive.pattern.empty() && !MatchesWildcard(archive.pattern, StoredPath(member))) {
      continue;
    }
    if (info != nullptr) {
      FillMemberInfo(member, info);
      StorePathAsAnsi(info);
    }
    archive.detail = DetailOf(member);
    archive.path = StoredPath(member);
    return kSuccess;
  }
  int code = CodeForStatus(status);
  return code == kSuccess ? kNoMoreMembers : code;
}

void Restart(OpenArchive& archive, const char* wildcard) {
  archive.pattern = wildcard != nullptr ? platform::AnsiToUtf8(wildcard) : "";
  archive.reader.emplace(*archive.source, archive.options);
  archive.reader->Start();
}

}  // namespace
}  // namespace unlha32

using namespace unlha32;

extern "C" {

UNLHA_EXPORT int UNLHA_API Unlha(UNLHA_HWND, char* szCmdLine, char* szOutput, uint32_t dwSize) {
  Inside inside;
  if (szCmdLine == nullptr) return kBadCommand;
  CommandResult result = RunCommand(platform::AnsiToUtf8(szCmdLine));
  if (szOutput != nullptr && dwSize > 0) {
    std::string text = platform::Utf8ToAnsi(result.output);
    std::size_t fit = platform::FitAnsi(text, dwSize - 1);
    std::memcpy(szOutput, text.data(), fit);
    szOutput[fit] = '\0';
    if (fit < text.size() && result.code == kSuccess) {
      result.code = kTooManyMembers;
    }
  }
  return result.code;
}

UNLHA_EXPORT uint16_t UNLHA_API UnlhaGetVersion(void) { return kVersion; }

UNLHA_EXPORT UNLHA_BOOL UNLHA_API UnlhaGetRunning(void) { return g_calls_inside.load() > 0; }

UNLHA_EXPORT UNLHA_BOOL UNLHA_API UnlhaGetBackGroundMode(void) { return g_background_mode; }

UNLHA_EXPORT UNLHA_BOOL UNLHA_API UnlhaSetBackGroundMode(UNLHA_BOOL bBackGroundMode) {
  g_background_mode = bBackGroundMode != 0;
  return 1;
}

UNLHA_EXPORT UNLHA_BOOL UNLHA_API UnlhaGetCursorMode(void) { return g_cursor_mode; }

UNLHA_EXPORT UNLHA_BOOL UNLHA_API UnlhaSetCursorMode(UNLHA_BOOL bCursorMode) {
  g_cursor_mode = bCursorMode != 0;
  return 1;
}

UNLHA_EXPORT UNLHA_BOOL UNLHA_API UnlhaCheckArchive(const char* szFileName, int32_t iMode) {
  Inside inside;
  if (szFileName == nullptr) return 0;
  std::unique_ptr<FileSource> source = FileSource::Open(platform::AnsiToUtf8(szFileName));
  if (!source) return 0;
  CheckResult result = CheckArchive(*source, iMode);
  if (!result.usable) return 0;
  return (iMode & kCheckSfx) != 0 && result.self_extracting ? 2 : 1;
}

// There is no settings dialog: nothing is confirmed and the buffer is left as it is.
UNLHA_EXPORT UNLHA_BOOL UNLHA_API UnlhaConfigDialog(UNLHA_HWND, char*, int32_t) { return 0; }

UNLHA_EXPORT UNLHA_HARC UNLHA_API UnlhaOpenArchive(UNLHA_HWND, const char* szFileName,
                                                   uint32_t dwMode) {
  Inside inside;
  if (szFileName == nullptr) return nullptr;
  auto archive = std::make_unique<OpenArchive>();
  archive->source = FileSource::Open(platform::AnsiToUtf8(szFileName));
  if (!archive->source) return nullptr;
  archive->options.recovery = (dwMode & kOpenRecovery) != 0;
  ArchiveStart start = ArchiveReader(*archive->source, archive->options).Start();
  if (start.kind == ArchiveStart::Kind::kNotArchive ||
      start.kind == ArchiveStart::Kind::kReadError) {
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(g_open_mutex);
  OpenArchives().insert(archive.get());
  return archive.release();
}

UNLHA_EXPORT int UNLHA_API UnlhaFindFirst(UNLHA_HARC harc, const char* szWildName,
                                          UnlhaMemberInfo* lpSubInfo) {
  Inside inside;
  OpenArchive* archive = Lookup(harc);
  if (archive == nullptr) return kCannotOpen;
  Restart(*archive, szWildName);
  return NextMatching(*archive, lpSubInfo);
}

UNLHA_EXPORT int UNLHA_API UnlhaFindNext(UNLHA_HARC harc, UnlhaMemberInfo* lpSubInfo) {
  Inside inside;
  OpenArchive* archive = Lookup(harc);
  if (archive == nullptr) return kCannotOpen;
  if (!archive->reader) Restart(*archive, nullptr);
  return NextMatching(*archive, lpSubInfo);
}

UNLHA_EXPORT int UNLHA_API UnlhaGetMemberDetail(UNLHA_HARC harc, UnlhaMemberDetail* lpDetail) {
  Inside inside;
  OpenArchive* archive = Lookup(harc);
  if (archive == nullptr) return kCannotOpen;
  if (!archive->detail || lpDetail == nullptr || lpDetail->dwStructSize < sizeof *lpDetail) {
    return kNoMoreMembers;
  }
  *lpDetail = *archive->detail;
  return kSuccess;
}

UNLHA_EXPORT int UNLHA_API UnlhaGetMemberPath(UNLHA_HARC harc, char* szPath, uint32_t dwSize) {
  Inside inside;
  OpenArchive* archive = Lookup(harc);
  if (archive == nullptr) return kCannotOpen;
  if (!archive->detail || szPath == nullptr) return kNoMoreMembers;
  const std::string text = platform::Utf8ToAnsi(archive->path);
  if (text.size() >= dwSize) return kNoMoreMembers;
  std::memcpy(szPath, text.c_str(), text.size() + 1);
  return kSuccess;
}

UNLHA_EXPORT int UNLHA_API UnlhaSetKeepGoing(UNLHA_KEEP_GOING lpKeepGoing, void* lpContext) {
  // The caller's function in its calling convention, behind the library's own signature.
  struct Call {
    static bool Forward(void* call) {
      auto* self = static_cast<Call*>(call);
      return self->function(self->context) != 0;
    }
    UNLHA_KEEP_GOING function;
    void* context;
  };
  static Call call;
  SetKeepGoing(nullptr, nullptr);
  call = Call{lpKeepGoing, lpContext};
  if (lpKeepGoing != nullptr) SetKeepGoing(&Call::Forward, &call);
  return kSuccess;
}

UNLHA_EXPORT int UNLHA_API UnlhaCloseArchive(UNLHA_HARC harc) {
  Inside inside;
  std::unique_ptr<OpenArchive> archive;
  {
    std::lock_guard<std::mutex> lock(g_open_mutex);
    auto* pointer = static_cast<OpenArchive*>(harc);
    if (OpenArchives().erase(pointer) == 0) return kCannotOpen;
    archive.reset(pointer);
  }
  return kSuccess;
}

}  // extern "C"
