#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/message_box.h"

namespace engine {

// The progress dialog as the run drives it. The run creates one per run through
// RunHost::LoadProgress, writes every text and number into it and destroys it at the end of
// the run (destruction is the dialog's unload). Names follow the dialog's controls:
// Label1 and Label2 are the two text lines, the progress bar is ProgressBar1 and the cancel
// button is cmdCancel.
class ProgressView {
 public:
  virtual ~ProgressView() = default;

  virtual void SetCaption(const std::string& text) = 0;
  virtual void SetLabel1(const std::string& text) = 0;
  virtual void SetLabel1Visible(bool visible) = 0;
  virtual void RefreshLabel1() = 0;
  virtual void SetLabel2(const std::string& text) = 0;
  virtual void SetLabel2Visible(bool visible) = 0;
  virtual void RefreshLabel2() = 0;
  virtual void SetProgressMin(double value) = 0;
  virtual void SetProgressMax(double value) = 0;
  virtual void SetProgressValue(double value) = 0;
  virtual void SetProgressVisible(bool visible) = 0;
  virtual void SetCancelVisible(bool visible) = 0;
  virtual void RefreshCancel() = 0;
  // Repaints the whole dialog now.
  virtual void Refresh() = 0;
  // Shows the dialog without blocking the caller (modeless, no owner).
  virtual void Show() = 0;
};

// What the run needs of the front end that started it, besides the job itself: the progress
// dialog, message boxes, a pass of pending window events and the notes. The main window, the
// command-line front end and the tests' scripted host each implement it.
class RunHost : public platform::MessageBoxService {
 public:
  // The owner window handed to the archive library (0 when there is none).
  virtual std::uintptr_t WindowHandle() = 0;

  // Creates the progress dialog, hidden, with the hourglass pointer over it.
  virtual std::unique_ptr<ProgressView> LoadProgress() = 0;

  // Lets pending window events run once (repaints, a click on the cancel button).
  virtual void DoEvents() = 0;

  // Details that the fixed messages leave out, such as the system's reason for a failed
  // copy. A window may ignore them; a terminal shows them.
  virtual void Note(const std::string& text) { (void)text; }
  // The same for details of failures (an unreadable folder, a failed copy's reason), which
  // a quiet front end still shows.
  virtual void Error(const std::string& text) { Note(text); }
};

}  // namespace engine
