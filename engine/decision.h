#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/catalogue.h"

namespace engine {

enum class Verdict {
  kSkip,            // unchanged
  kCopy,            // copied under its name as listed
  kCopyUpperCased,  // copied under its upper-cased name
};

struct Decision {
  Verdict verdict = Verdict::kCopy;
  // A record would have vouched for the file but its time could not be trusted.
  bool distrusted = false;
};

// Judges one source file of `folder` (the folder without its root name, upper-cased, as the
// catalogue's folder test sees it): first the archive catalogue (none when empty), then the
// plain files of its counterpart folders, newest first. A pure function of its arguments.
Decision Decide(const SourceFile& file, std::string_view upper_name,
                const ArchiveCatalogue& catalogue, std::string_view folder, bool match_folders,
                const std::vector<FolderIndex>& counterparts, const FolderNames& siblings,
                const DecisionContext& context);

}  // namespace engine
