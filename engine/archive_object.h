#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace engine {

// What the run asks of the archive object, in the order it asks: the owner window once,
// then for each candidate archive a check, the listing, and five texts (and the instant,
// where there is one) of every member.
// Member indexes are 16-bit, as the archive object counts its members.
class ArchiveObject {
 public:
  virtual ~ArchiveObject() = default;

  virtual void SetOwnerWindow(std::int32_t hwnd) = 0;
  virtual bool CheckArchive(const std::string& path) = 0;
  // Returns the number of members now held (0 when nothing could be read; the object shows
  // its own message). May throw platform::VbError (overflow) for an archive it cannot count.
  virtual std::int16_t SetArcFile(const std::string& path) = 0;
  virtual std::string FileDate(std::int16_t& index) = 0;
  virtual std::string FilePath(std::int16_t& index) = 0;
  virtual std::string FileName(std::int16_t& index) = 0;
  virtual std::string FileOriginal(std::int16_t& index) = 0;
  virtual std::string FileTime(std::int16_t& index) = 0;
  // The member's stored instant (Unix seconds) when it has one (header levels 2 and 3, with
  // a library that tells it); otherwise the member's time is only the local text above.
  virtual std::optional<std::int64_t> FileInstant(std::int16_t& index) {
    (void)index;
    return std::nullopt;
  }
};

}  // namespace engine
