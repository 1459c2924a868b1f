#pragma once

#include <QCheckBox>
#include <QListWidget>
#include <string>

namespace ui {

// The item data role under which a row keeps its text's exact bytes (a folder path need not
// be UTF-8; the shown text is only its decoding).
inline constexpr int kBytesRole = Qt::UserRole + 1;

// A single-selection, unsorted list box with the operations the windows use: rows added at
// the end, removed, replaced and read back exactly as given, and a selected index (-1 for
// none) that the user can move but never clear.
class ListBox : public QListWidget {
  Q_OBJECT

 public:
  explicit ListBox(QWidget* parent = nullptr);

  int ListCount() const { return count(); }
  // The selected row, or -1.
  int ListIndex() const;
  // Selects `index` (-1: none). Raises Click when the index changes, never otherwise, so two
  // lists that mirror each other's selection come to rest after one exchange.
  void SetListIndex(int index);

  void AddItem(const std::string& text);
  // Removes a row; when it was the selected one, no row is selected afterwards.
  void RemoveItem(int index);
  void Clear();
  // The text of a row exactly as it was given ("" for a row that does not exist).
  std::string List(int index) const;
  void SetList(int index, const std::string& text);

 signals:
  // The selected index changed, by the mouse, the keyboard or from code.
  void Click();
  // A double-click anywhere on the list, also on an empty one.
  void DblClick();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override;

 private:
  void NoteSelection();

  int last_index_ = -1;
};

// A check box that also reports the release of a mouse button over it, after the click has
// changed its state.
class CheckBox : public QCheckBox {
  Q_OBJECT

 public:
  explicit CheckBox(const QString& text, QWidget* parent = nullptr) : QCheckBox(text, parent) {}

  // 0 unchecked, 1 checked, 2 greyed.
  int Value() const;
  void SetValue(int value);

 signals:
  void MouseUp();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace ui
