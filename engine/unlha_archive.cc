#include "engine/unlha_archive.h"

#include "archive/c_unlha.h"

namespace engine {
namespace {

class UnlhaArchive : public ArchiveObject {
 public:
  UnlhaArchive(const std::string& library_path, platform::MessageBoxService& messages)
      : archive_(library_path, messages) {}

  void SetOwnerWindow(std::int32_t hwnd) override { archive_.set_hwnd(hwnd); }
  bool CheckArchive(const std::string& path) override { return archive_.CheckArchive(path); }
  std::int16_t SetArcFile(const std::string& path) override { return archive_.SetArcFile(path); }
  std::string FileDate(std::int16_t& index) override { return archive_.FileDate(index); }
  std::string FilePath(std::int16_t& index) override { return archive_.FilePath(index); }
  std::string FileName(std::int16_t& index) override { return archive_.FileName(index); }
  std::string FileOriginal(std::int16_t& index) override { return archive_.FileOriginal(index); }
  std::string FileTime(std::int16_t& index) override { return archive_.FileTime(index); }
  std::optional<std::int64_t> FileInstant(std::int16_t& index) override {
    return archive_.FileInstant(index);
  }

 private:
  archive::cUnLHA archive_;
};

}  // namespace

std::unique_ptr<ArchiveObject> MakeUnlhaArchive(const std::string& library_path,
                                                platform::MessageBoxService& messages) {
  return std::make_unique<UnlhaArchive>(library_path, messages);
}

}  // namespace engine
