#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

// What the run needs of the window that holds the job: the job itself, read as the run goes,
// the progress dialog, message boxes and a pass of pending window events. The main window,
// the command-line front end and the tests' scripted host each implement it.
class RunHost : public platform::MessageBoxService {
 public:
  // The job. Pairs are numbered from 0; the comparison folder of a pair is a folder path or
  // the literal "なし" (no comparison).
  virtual int PairCount() = 0;
  virtual std::string SourceFolder(int pair) = 0;
  virtual std::string ComparisonFolder(int pair) = 0;
  // The comparison folders of a pair, newest first; none, or only "なし", means no comparison.
  // A file is judged against the newest of them that holds a file of its name (archives in
  // every one of them join the catalogue). The window has one per pair; a front end may
  // give an earlier backup's chain of date folders.
  virtual std::vector<std::string> ComparisonFolders(int pair) { return {ComparisonFolder(pair)}; }
  virtual std::string DestinationText() = 0;
  virtual bool IncludeSubfolders() = 0;  // chkSubDir checked
  virtual bool ReadArchives() = 0;       // chkLHA checked
  virtual bool MatchFolders() = 0;       // optFolder(0) selected
  // The owner window handed to the archive library (0 when there is none).
  virtual std::uintptr_t WindowHandle() = 0;

  // Creates the progress dialog, hidden, with the hourglass pointer over it.
  virtual std::unique_ptr<ProgressView> LoadProgress() = 0;

  // Lets pending window events run once (repaints, a click on the cancel button).
  virtual void DoEvents() = 0;

  // Details that the fixed messages leave out, such as the system's reason for a failed
  // copy. A window may ignore them; a terminal shows them.
  virtual void Note(const std::string& text) { (void)text; }
};

}  // namespace engine
