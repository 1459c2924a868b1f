#include "ui/controls.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "ui/text.h"
#include "ui/translation.h"

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

namespace {

// What a list shows for an item: the text, except the comparison "none" (a value the run
// reads, kept as the item's bytes), which shows in the language in use.
QString Shown(const std::string& text) { return text == "なし" ? Tr("なし") : ToQString(text); }

}  // namespace

void ListBox::AddItem(const std::string& text) {
  auto* item = new QListWidgetItem(Shown(text));
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
  row_item->setText(Shown(text));
  row_item->setData(kBytesRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

void ListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  QListWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit DblClick();
}

QItemSelectionModel::SelectionFlags ListBox::selectionCommand(const QModelIndex& index,
                                                              const QEvent* event) const {
  return KeepingSelection(index, QListWidget::selectionCommand(index, event));
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

namespace {

// The caption's distance from the frame's left edge, and the gap the top border leaves on
// each side of it.
constexpr int kCaptionLeft = 8;
constexpr int kCaptionGap = 2;

}  // namespace

QRect Frame::CaptionRect() const {
  const QFontMetrics metrics = fontMetrics();
  const int width = std::min(metrics.horizontalAdvance(title()), this->width() - 2 * kCaptionLeft);
  return QRect(kCaptionLeft, 0, std::max(width, 0), metrics.height());
}

QRect Frame::BorderRect() const {
  // The top border runs through the middle of the caption's line.
  const int top = title().isEmpty() ? 0 : fontMetrics().height() / 2;
  return QRect(0, top, width(), height() - top);
}

void Frame::paintEvent(QPaintEvent*) {
  // Qt's styles put the caption above the border or inset the border by their own margins;
  // neither matches the rectangle the controls inside were placed against, so the frame
  // draws itself.
  QPainter painter(this);
  const QRect border = BorderRect();
  const QRect caption = CaptionRect();
  // An etched edge: a shadow rectangle with a light one a pixel below and to the right.
  const QColor colors[] = {palette().color(QPalette::Dark), palette().color(QPalette::Light)};
  for (int i = 0; i < 2; ++i) {
    painter.setPen(colors[i]);
    const QRect edge = border.adjusted(i, i, i - 1, i - 1);
    const int gap_left = caption.left() - kCaptionGap, gap_right = caption.right() + kCaptionGap;
    if (title().isEmpty()) {
      painter.drawLine(edge.topLeft(), edge.topRight());
    } else {
      painter.drawLine(edge.left(), edge.top(), gap_left, edge.top());
      painter.drawLine(gap_right, edge.top(), edge.right(), edge.top());
    }
    painter.drawLine(edge.topLeft(), edge.bottomLeft());
    painter.drawLine(edge.bottomLeft(), edge.bottomRight());
    painter.drawLine(edge.topRight(), edge.bottomRight());
  }
  style()->drawItemText(&painter, caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextHideMnemonic,
                        palette(), isEnabled(), title(), QPalette::WindowText);
}

QItemSelectionModel::SelectionFlags KeepingSelection(const QModelIndex& index,
                                                     QItemSelectionModel::SelectionFlags flags) {
  if (!index.isValid() || (flags & QItemSelectionModel::Deselect)) {
    return QItemSelectionModel::NoUpdate;
  }
  return flags;
}

}  // namespace ui
