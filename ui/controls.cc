#include "ui/controls.h"

#include <QMouseEvent>

#include "ui/text.h"

namespace ui {

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSortingEnabled(false);
  setUniformItemSizes(true);
  connect(this, &QListWidget::itemSelectionChanged, this, &ListBox::NoteSelection);
}

int ListBox::ListIndex() const {
  const QList<QListWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? -1 : row(selected.front());
}

void ListBox::SetListIndex(int index) {
  if (index < -1 || index >= count() || index == ListIndex()) return;
  if (index < 0) {
    clearSelection();
    setCurrentRow(-1);
  } else {
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
  }
  NoteSelection();
}

void ListBox::AddItem(const std::string& text) {
  auto* item = new QListWidgetItem(ToQString(text));
  item->setData(kBytesRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
  addItem(item);
}

void ListBox::RemoveItem(int index) {
  if (index < 0 || index >= count()) return;
  const bool was_selected = index == ListIndex();
  delete takeItem(index);
  // Qt moves the current row to a neighbour; a removed selection leaves none.
  if (was_selected) {
    clearSelection();
    setCurrentRow(-1);
  }
  NoteSelection();
}

void ListBox::Clear() {
  clear();
  NoteSelection();
}

std::string ListBox::List(int index) const {
  const QListWidgetItem* row_item = item(index);
  if (row_item == nullptr) return std::string();
  const QVariant bytes = row_item->data(kBytesRole);
  if (bytes.isValid()) return bytes.toByteArray().toStdString();
  return ToStdString(row_item->text());
}

void ListBox::SetList(int index, const std::string& text) {
  QListWidgetItem* row_item = item(index);
  if (row_item == nullptr) return;
  row_item->setText(ToQString(text));
  row_item->setData(kBytesRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

void ListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  QListWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit DblClick();
}

QItemSelectionModel::SelectionFlags ListBox::selectionCommand(const QModelIndex& index,
                                                              const QEvent* event) const {
  QItemSelectionModel::SelectionFlags flags = QListWidget::selectionCommand(index, event);
  // A list box always keeps its selection once it has one: Ctrl+click does not clear it.
  if (flags & QItemSelectionModel::Deselect) return QItemSelectionModel::NoUpdate;
  return flags;
}

void ListBox::NoteSelection() {
  const int index = ListIndex();
  if (index == last_index_) return;
  last_index_ = index;
  emit Click();
}

int CheckBox::Value() const {
  switch (checkState()) {
    case Qt::Checked:
      return 1;
    case Qt::PartiallyChecked:
      return 2;
    default:
      return 0;
  }
}

void CheckBox::SetValue(int value) {
  setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

void CheckBox::mouseReleaseEvent(QMouseEvent* event) {
  QCheckBox::mouseReleaseEvent(event);
  emit MouseUp();
}

}  // namespace ui
