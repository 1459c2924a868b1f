#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <string>

namespace ui {

// The item data role under which a row keeps its text's exact bytes (a folder path need not
// be UTF-8; the shown text is only its decoding).
inline constexpr int kBytesRole = Qt::UserRole + 1;

// A single-selection, unsorted list box with the operations the windows use: rows added at
// the end, removed, replaced and read back exactly as given, and a selected index (-1 for
// none) that the user can move but never clear: a click in the list's empty area, or with
// Ctrl on the selected row, leaves the selection as it is.
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

// A frame that groups controls, drawn as the window tables mean it whatever the Qt style:
// an etched border over the whole rectangle except the top half of the caption's line, and
// the caption on the top border near its left end. Child positions are relative to the
// rectangle's top left corner, and the border keeps clear of children placed below the
// caption's line.
class Frame : public QGroupBox {
  Q_OBJECT

 public:
  explicit Frame(const QString& caption, QWidget* parent = nullptr) : QGroupBox(caption, parent) {}

  // The border's outer rectangle, in the frame's coordinates.
  QRect BorderRect() const;
  // Where the caption is drawn, in the frame's coordinates.
  QRect CaptionRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// `flags`, the selection command of a single-selection list at `index`, less what would take
// its selection away: a click in the list's empty area or a Ctrl+click on the selected row
// changes nothing.
QItemSelectionModel::SelectionFlags KeepingSelection(const QModelIndex& index,
                                                     QItemSelectionModel::SelectionFlags flags);

}  // namespace ui
