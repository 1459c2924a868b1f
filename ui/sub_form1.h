#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <string>

#include "engine/run_host.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace ui {

// The progress dialog of a run. The run creates it, writes every text and number into it
// and destroys it; the dialog itself only shows the hourglass while it exists and raises the
// shared cancel request when "ｷｬﾝｾﾙ" is pressed (or the dialog is closed from its title
// bar, which would otherwise leave the run writing into a window the user dismissed).
class SubForm1 : public QWidget, public engine::ProgressView {
  Q_OBJECT

 public:
  SubForm1();
  ~SubForm1() override;

  void SetCaption(const std::string& text) override;
  void SetLabel1(const std::string& text) override;
  void SetLabel1Visible(bool visible) override;
  void RefreshLabel1() override;
  void SetLabel2(const std::string& text) override;
  void SetLabel2Visible(bool visible) override;
  void RefreshLabel2() override;
  void SetProgressMin(double value) override;
  void SetProgressMax(double value) override;
  void SetProgressValue(double value) override;
  void SetProgressVisible(bool visible) override;
  void SetCancelVisible(bool visible) override;
  void RefreshCancel() override;
  void Refresh() override;
  void Show() override;

  // The controls, under the names the run uses.
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* cmdCancel = nullptr;

  // The bar's numbers as the run set them (the bar itself holds whole numbers).
  double ProgressMin() const { return min_; }
  double ProgressMax() const { return max_; }
  double ProgressValue() const { return value_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Form_Load();
  void Form_Unload();
  void cmdCancel_Click();
  void UpdateBar();
  void SetLine(QLabel* label, const std::string& text);
  void ShowPendingText();

  static constexpr int kFrameMilliseconds = 40;
  QString pending_label1_;
  QString pending_label2_;
  QElapsedTimer shown_text_at_;
  QTimer text_timer_;
  double min_ = 0;
  double max_ = 100;
  double value_ = 0;
};

}  // namespace ui
