#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace archive {

// One member of an archive, every field ready-formatted text.
struct ArchiveMember {
  std::string FileName;
  std::string FilePath;
  std::string FileOriginal;
  std::string FilePacked;
  std::string FileRatio;
  std::string FileDate;
  std::string FileTime;
  std::string FileAttr;
  std::string FileType;
  std::string FileCRC;
  // Besides the ten texts: the stored instant (Unix seconds) of a level 2 or 3 member, when
  // the library tells it. Level 0 and 1 members carry a local wall-clock time only.
  std::optional<std::int64_t> instant;
};

// The archive object over the archive library, which it loads by path and only calls. It
// opens one archive at a time, lists its members as formatted texts, forwards the library's
// command interface and modes, and keeps the last result code for ErrString.
// Errors that reach the caller (an index outside the listing, an overflowing count) are
// thrown as platform::VbError.
class cUnLHA {
 public:
  // Loads the library at `library_path`, the path the presence check found. A library that
  // is there but cannot be used (cannot be loaded, lacks an entry point) is reported once
  // per process through `messages`; the object then acts as a library that reads nothing.
  cUnLHA(const std::string& library_path, platform::MessageBoxService& messages);
  ~cUnLHA();
  cUnLHA(const cUnLHA&) = delete;
  cUnLHA& operator=(const cUnLHA&) = delete;

  // Whether the library was loaded with all its entry points.
  bool usable() const { return library_ != nullptr; }

  std::int32_t hwnd() const { return hwnd_; }
  void set_hwnd(std::int32_t lngNewhWnd) { hwnd_ = lngNewhWnd; }

  const std::string& CommandLine() const { return command_line_; }
  // Runs one library command; `strCommandLine` is handed back as the library left it.
  void SetCommandLine(std::string& strCommandLine);

  std::int32_t Version();
  bool Running();
  bool BackGroundMode();
  void SetBackGroundMode(bool bNewValue);
  const std::string& OutPut() const { return output_; }
  bool CursorMode();
  void SetCursorMode(bool blnNewValue);
  std::int16_t MaxFileCount() const { return max_file_count_; }
  void SetMaxFileCount(std::int16_t intNewMaxFileCount) { max_file_count_ = intNewMaxFileCount; }
  std::int32_t ReturnCode() const { return return_code_; }
  bool CheckArchive(const std::string& path);
  std::string ErrString() const;
  std::int16_t CheckMode() const { return check_mode_; }

  // Lets the library ask, between the parts of a t, x or e command, whether to go on;
  // `keep_going` answers false to stop the command, which then ends with 0x8020, its
  // temporary file removed. A library that cannot ask (a genuine one) runs each command to its
  // end. nullptr: never asked.
  void SetKeepGoing(bool (*keep_going)());
  void SetCheckMode(std::int16_t intNewCheckMode) { check_mode_ = intNewCheckMode; }

  // Opens the archive and rebuilds the member listing; returns the member count (0 when
  // nothing could be read).
  std::int16_t SetArcFile(const std::string& strArcFile);

  std::string FileName(std::int16_t& intIndex) const;
  std::string FilePath(std::int16_t& intIndex) const;
  std::string FileOriginal(std::int16_t& intIndex) const;
  std::string FilePacked(std::int16_t& intIndex) const;
  std::string FileRatio(std::int16_t& intIndex) const;
  std::string FileDate(std::int16_t& intIndex) const;
  std::string FileTime(std::int16_t& intIndex) const;
  std::string FileAttr(std::int16_t& intIndex) const;
  std::string FileType(std::int16_t& intIndex) const;
  std::string FileCRC(std::int16_t& intIndex) const;
  // The member's instant where it has one (see ArchiveMember::instant).
  std::optional<std::int64_t> FileInstant(std::int16_t& intIndex) const;

  // Shows the library's settings dialog; returns its text when confirmed, else "".
  std::string ConfigDialog(std::string& strOption, std::int32_t lngMode);

  // The folder part and the last component of a stored path ("/" read as "\").
  static std::string NameOfPath(std::string path);
  static std::string FolderOfPath(std::string path);

 private:
  struct Library;

  const ArchiveMember& Member(std::int16_t index) const;

  std::unique_ptr<Library> library_;
  platform::MessageBoxService& messages_;
  std::string command_line_;
  std::string output_;
  std::int32_t return_code_ = 0;
  std::int16_t max_file_count_ = 256;
  std::int16_t check_mode_ = 4;
  std::int32_t hwnd_ = 0;
  bool listed_ = false;
  bool (*keep_going_)() = nullptr;
  std::vector<ArchiveMember> members_;
};

// The message for a result code of the library ("" for 0).
std::string ErrorMessage(std::int32_t code);

}  // namespace archive
