#include "ui/folder_list.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <vector>

#include "platform/path_rules.h"
#include "platform/text.h"
#include "ui/controls.h"
#include "ui/text.h"

namespace ui {
namespace {

constexpr int kDepthRole = Qt::UserRole + 2;
constexpr int kIndentPixels = 10;

// Indents each entry by its depth below the root, as a folder tree reads.
class IndentDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem indented(option);
    indented.rect.adjust(index.data(kDepthRole).toInt() * kIndentPixels, 0, 0, 0);
    QStyledItemDelegate::paint(painter, indented, index);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.rwidth() += index.data(kDepthRole).toInt() * kIndentPixels;
    return size;
  }
};

bool EndsWithSeparator(std::string_view path) {
  return !path.empty() && platform::IsSeparator(path.back());
}

// "/" on POSIX, "C:\" on Windows: the root name and one separator.
bool IsRoot(std::string_view path) {
  return path.size() == platform::RootNameLength(path) + 1 && EndsWithSeparator(path);
}

// The root and every folder from it down to `folder`, each as a full path.
std::vector<std::string> Chain(const std::string& folder) {
  std::vector<std::string> chain;
  for (std::string path = folder; !path.empty(); path = ParentFolder(path)) chain.push_back(path);
  std::reverse(chain.begin(), chain.end());
  return chain;
}

std::string LastName(const std::string& path) {
  std::size_t end = path.size();
  while (end > 0 && platform::IsSeparator(path[end - 1])) --end;
  std::size_t start = end;
  while (start > 0 && !platform::IsSeparator(path[start - 1])) --start;
  return path.substr(start, end - start);
}

}  // namespace

std::string TrimFolderPath(const std::string& path) {
  std::string trimmed = path;
  while (EndsWithSeparator(trimmed) && !IsRoot(trimmed)) trimmed.pop_back();
  return trimmed;
}

std::string ParentFolder(const std::string& path) {
  const std::string folder = TrimFolderPath(path);
  if (IsRoot(folder)) return std::string();
  std::size_t end = folder.size();
  while (end > 0 && !platform::IsSeparator(folder[end - 1])) --end;
  if (end == 0) return std::string();  // a relative name has no parent to show
  return TrimFolderPath(folder.substr(0, end));
}

std::string JoinPath(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (!EndsWithSeparator(path)) path.push_back(platform::Separator());
  path.append(name);
  return path;
}

FolderList::FolderList(platform::FileSystem& fs, QWidget* parent) : QListWidget(parent), fs_(fs) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setItemDelegate(new IndentDelegate(this));
  connect(this, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* entry) { SetPath(EntryPath(row(entry))); });
}

QItemSelectionModel::SelectionFlags FolderList::selectionCommand(const QModelIndex& index,
                                                                 const QEvent* event) const {
  // The highlight never disappears: what "確定" takes is always what the list shows.
  return KeepingSelection(index, QListWidget::selectionCommand(index, event));
}

bool FolderList::IsFolder(const std::string& path) {
  platform::EntryInfo info;
  return fs_.Probe(path, &info).ok() && info.kind == platform::EntryKind::kFolder;
}

bool FolderList::SetPath(const std::string& folder) {
  std::string path = TrimFolderPath(folder);
  const std::size_t root_name = platform::RootNameLength(path);
  if (!path.empty() && (path.size() <= root_name || !platform::IsSeparator(path[root_name]))) {
    path = TrimFolderPath(JoinPath(fs_.CurrentFolder(), path));
  }
  if (path.empty() || !IsFolder(path)) return false;
  Fill(path, path);
  return true;
}

void FolderList::Refresh() {
  std::string highlight = HighlightedPath();
  std::string path = path_;
  while (!path.empty() && !IsFolder(path)) path = ParentFolder(path);
  if (path.empty()) return;
  Fill(path, path == path_ ? highlight : path);
}

std::string FolderList::HighlightedPath() const {
  const int current = currentRow();
  return current >= 0 ? EntryPath(current) : path_;
}

std::string FolderList::EntryPath(int row) const {
  const QListWidgetItem* entry = item(row);
  return entry == nullptr ? std::string() : entry->data(kBytesRole).toByteArray().toStdString();
}

void FolderList::Fill(const std::string& folder, const std::string& highlight) {
  std::vector<std::string> subfolders;
  // A folder that cannot be read shows no subfolders; it can still be chosen.
  (void)fs_.List(folder, platform::ListWhat::kFolders, false,
                 [&](const platform::ListedEntry& entry) {
                   subfolders.emplace_back(entry.name);
                   return true;
                 });
  std::sort(subfolders.begin(), subfolders.end(), [](const std::string& a, const std::string& b) {
    std::string upper_a = platform::UpperCase(a), upper_b = platform::UpperCase(b);
    return upper_a != upper_b ? upper_a < upper_b : a < b;
  });

  const QIcon open_icon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed_icon = style()->standardIcon(QStyle::SP_DirClosedIcon);
  auto add = [&](const std::string& path, const std::string& name, int depth, const QIcon& icon) {
    auto* entry = new QListWidgetItem(icon, ToQString(name));
    entry->setData(kBytesRole, QByteArray(path.data(), static_cast<qsizetype>(path.size())));
    entry->setData(kDepthRole, depth);
    entry->setToolTip(PlainToolTip(path));
    addItem(entry);
  };

  clear();
  const std::vector<std::string> chain = Chain(folder);
  int depth = 0;
  for (const std::string& path : chain) {
    add(path, depth == 0 ? path : LastName(path), depth, open_icon);
    ++depth;
  }
  for (const std::string& name : subfolders) {
    add(JoinPath(folder, name), name, depth, closed_icon);
  }

  path_ = folder;
  open_row_ = static_cast<int>(chain.size()) - 1;
  int highlight_row = open_row_;
  for (int i = 0; i < count(); ++i) {
    if (EntryPath(i) == highlight) {
      highlight_row = i;
      break;
    }
  }
  setCurrentRow(highlight_row, QItemSelectionModel::ClearAndSelect);
  scrollToItem(item(highlight_row));
  emit PathChanged();
}

}  // namespace ui
