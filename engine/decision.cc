#include "engine/decision.h"

#include "platform/text.h"

namespace engine {
namespace {

// The counterpart folder that decides for a source file, and its first file that counts.
struct Holder {
  const FolderIndex* index = nullptr;
  const FolderIndex::File* file = nullptr;
};

// Of the counterpart folders, newest first, the newest that holds a file of the source
// file's name decides; one that holds the exact name comes before one that holds the name
// only in another letter case, so that two files differing only in case are never taken
// for each other.
Holder NewestHolder(const std::vector<FolderIndex>& counterparts, const SourceKey& key) {
  Holder fallback;
  for (const FolderIndex& index : counterparts) {
    const FolderIndex::File* first = index.First(key);
    if (first == nullptr) continue;
    if (key.name.empty() || index.NameOf(*first) == key.name) return Holder{&index, first};
    if (fallback.file == nullptr) fallback = Holder{&index, first};
  }
  return fallback;
}

}  // namespace

Decision Decide(const SourceFile& file, std::string_view upper_name,
                const ArchiveCatalogue& catalogue, std::string_view folder, bool match_folders,
                const std::vector<FolderIndex>& counterparts, const FolderNames& siblings,
                const DecisionContext& context) {
  // Where names differ only in case they are different files, so the exact name is
  // preferred; elsewhere there is nothing to prefer.
  const SourceKey key{upper_name, context.case_sensitive ? std::string_view(file.name) : "",
                      file.size, file.mtime, &siblings};
  Decision decision;
  ArchiveCatalogue::Answer answer;
  if (!catalogue.empty()) answer = catalogue.Lookup(key, folder, match_folders, context);
  decision.distrusted = answer.distrusted;
  if (answer.SaysUnchanged) {
    decision.verdict = Verdict::kSkip;
    return decision;
  }
  const Holder holder = NewestHolder(counterparts, key);
  if (!answer.NameInCatalogue) {
    if (holder.file == nullptr) {
      decision.verdict = Verdict::kCopy;
    } else {
      bool distrusted = false;
      decision.verdict = InstantVouches(file.size, file.mtime, holder.file->size,
                                        holder.file->mtime, context, &distrusted)
                             ? Verdict::kSkip
                             : Verdict::kCopyUpperCased;
      decision.distrusted = decision.distrusted || distrusted;
    }
    return decision;
  }
  bool changed = true;
  bool distrusted = false;
  for (const FolderIndex::File* other = holder.file; other != nullptr;
       other = holder.index->Next(*other, key)) {
    if (InstantVouches(file.size, file.mtime, other->size, other->mtime, context, &distrusted)) {
      changed = false;
    }
  }
  decision.verdict = changed ? Verdict::kCopyUpperCased : Verdict::kSkip;
  decision.distrusted = changed && (decision.distrusted || distrusted);
  return decision;
}

}  // namespace engine
