#include "tests/support/scripted_host.h"

#include "platform/message_box.h"

namespace testing_support {
namespace {

std::string Number(double value) {
  std::string text = std::to_string(value);
  text.erase(text.find_last_not_of('0') + 1);
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

class RecordingProgress : public engine::ProgressView {
 public:
  explicit RecordingProgress(ScriptedHost& host) : host_(host) {
    ++host_.live_dialogs;
    host_.Record("Load");
  }
  ~RecordingProgress() override {
    --host_.live_dialogs;
    host_.Record("Unload");
  }
  void SetCaption(const std::string& text) override { host_.Record("Caption=" + text); }
  void SetLabel1(const std::string& text) override { host_.Record("Label1=" + text); }
  void SetLabel1Visible(bool visible) override {
    host_.Record(std::string("Label1Visible=") + (visible ? "1" : "0"));
  }
  void RefreshLabel1() override { host_.Record("RefreshLabel1"); }
  void SetLabel2(const std::string& text) override { host_.Record("Label2=" + text); }
  void SetLabel2Visible(bool visible) override {
    host_.Record(std::string("Label2Visible=") + (visible ? "1" : "0"));
  }
  void RefreshLabel2() override { host_.Record("RefreshLabel2"); }
  void SetProgressMin(double value) override { host_.Record("Min=" + Number(value)); }
  void SetProgressMax(double value) override { host_.Record("Max=" + Number(value)); }
  void SetProgressValue(double value) override { host_.Record("Value=" + Number(value)); }
  void SetProgressVisible(bool visible) override {
    host_.Record(std::string("Bar=") + (visible ? "1" : "0"));
  }
  void SetCancelVisible(bool visible) override {
    host_.Record(std::string("Cancel=") + (visible ? "1" : "0"));
  }
  void RefreshCancel() override { host_.Record("RefreshCancel"); }
  void Refresh() override { host_.Record("Refresh"); }
  void Show() override { host_.Record("Show"); }

 private:
  ScriptedHost& host_;
};

}  // namespace

void ScriptedHost::Record(const std::string& event) {
  events.push_back(event);
  if (on_event) on_event(event);
}

std::vector<std::string> ScriptedHost::EventsStartingWith(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const std::string& event : events) {
    if (event.rfind(prefix, 0) == 0) found.push_back(event);
  }
  return found;
}

std::vector<std::string> ScriptedHost::BoxTitles() const {
  std::vector<std::string> titles;
  for (const Box& box : boxes) titles.push_back(box.title);
  return titles;
}

std::unique_ptr<engine::ProgressView> ScriptedHost::LoadProgress() {
  return std::make_unique<RecordingProgress>(*this);
}

int ScriptedHost::MsgBox(const std::string& text, int flags, const std::string& title) {
  boxes.push_back(Box{text, flags, title});
  Record("Box=" + title);
  if ((flags & 7) != platform::kYesNo) return platform::kAnswerOk;
  if (answers.empty()) {
    return (flags & platform::kDefaultButton2) ? platform::kAnswerNo : platform::kAnswerYes;
  }
  int answer = answers.front();
  answers.pop_front();
  return answer;
}

engine::Job ScriptedHost::job() const {
  engine::Job job;
  for (const Pair& pair : pairs) {
    engine::FolderPair& folders = job.pairs.emplace_back();
    folders.source = pair.source;
    if (!pair.chain.empty()) {
      for (const std::string& folder : pair.chain) {
        if (folder != engine::kNoComparison) folders.comparisons.push_back(folder);
      }
    } else if (pair.comparison != engine::kNoComparison) {
      folders.comparisons.push_back(pair.comparison);
    }
  }
  job.destination = destination;
  job.include_subfolders = subfolders;
  job.read_archives = archives;
  job.match_folders = match_folders;
  job.include_hidden = include_hidden;
  return job;
}

}  // namespace testing_support
