#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/job.h"
#include "engine/run_host.h"

namespace testing_support {

// A run host for tests: holds a job, records every message box and every call the run makes
// on the progress dialog, answers questions from a script, and lets a test act on any event
// (for example press the cancel button when a given folder is shown).
class ScriptedHost : public engine::RunHost {
 public:
  struct Pair {
    std::string source;
    std::string comparison;
    std::vector<std::string> chain = {};  // when given: the comparison folders, newest first
  };
  struct Box {
    std::string text;
    int flags;
    std::string title;
  };

  // The job.
  std::vector<Pair> pairs;
  std::string destination;
  bool subfolders = true;
  bool archives = false;
  bool match_folders = true;
  bool include_hidden = false;

  // Answers for Yes/No questions, in order; when empty, the default button answers.
  std::deque<int> answers;
  // Called with every event as it is recorded.
  std::function<void(const std::string& event)> on_event;

  // What the run did: "Caption=...", "Label1=...", "Label2=...", "Min=...", "Max=...",
  // "Value=...", "Bar=0/1", "Cancel=0/1", "Label1Visible=..", "Label2Visible=..",
  // "RefreshLabel1", "RefreshLabel2", "RefreshCancel", "Refresh", "Show", "DoEvents",
  // "Load", "Unload", "Box=<title>".
  std::vector<std::string> events;
  std::vector<Box> boxes;
  std::vector<std::string> notes;
  int live_dialogs = 0;

  void Record(const std::string& event);
  // The events that start with `prefix`, in order.
  std::vector<std::string> EventsStartingWith(const std::string& prefix) const;
  std::vector<std::string> BoxTitles() const;

  // The job as the fields above describe it ("なし" as a comparison: none).
  engine::Job job() const;

  std::uintptr_t WindowHandle() override { return 0x1234; }
  std::unique_ptr<engine::ProgressView> LoadProgress() override;
  void DoEvents() override { Record("DoEvents"); }
  void Note(const std::string& text) override { notes.push_back(text); }
  int MsgBox(const std::string& text, int flags, const std::string& title) override;
};

}  // namespace testing_support
