#include "tests/archive/fake_unlha32.h"

#include <cstring>

namespace {

FakeUnlhaState state;
int handle_token;
long next_member = 0;

long MemberCount() {
  return state.generated_members ? state.generated_members
                                 : static_cast<long>(state.members.size());
}

int Fill(UnlhaMemberInfo* info) {
  if (next_member >= MemberCount()) return -1;
  *info = state.members[state.generated_members ? 0 : static_cast<std::size_t>(next_member)];
  ++next_member;
  return 0;
}

}  // namespace

extern "C" {

UNLHA_EXPORT FakeUnlhaState* FakeUnlhaStatePointer() { return &state; }

UNLHA_EXPORT int Unlha(UNLHA_HWND, char* szCmdLine, char* szOutput, uint32_t dwSize) {
  state.calls.push_back("Unlha");
  state.last_buffer_size = dwSize;
  if (!state.command_rewrite.empty()) {
    std::memcpy(szCmdLine, state.command_rewrite.data(),
                std::min(state.command_rewrite.size(), std::strlen(szCmdLine)));
  }
  if (state.fill_output) {
    std::memset(szOutput, 'x', dwSize);
  } else if (dwSize > 0) {
    std::strncpy(szOutput, state.command_output.c_str(), dwSize - 1);
  }
  return state.command_result;
}
UNLHA_EXPORT uint16_t UnlhaGetVersion() { return state.version; }
UNLHA_EXPORT UNLHA_BOOL UnlhaGetRunning() { return state.running; }
UNLHA_EXPORT UNLHA_BOOL UnlhaGetBackGroundMode() { return state.background; }
UNLHA_EXPORT UNLHA_BOOL UnlhaSetBackGroundMode(UNLHA_BOOL mode) {
  state.background = mode;
  return 1;
}
UNLHA_EXPORT UNLHA_BOOL UnlhaGetCursorMode() { return state.cursor; }
UNLHA_EXPORT UNLHA_BOOL UnlhaSetCursorMode(UNLHA_BOOL mode) {
  state.cursor = mode;
  return 1;
}
UNLHA_EXPORT UNLHA_BOOL UnlhaCheckArchive(const char*, int32_t mode) {
  state.last_check_mode = mode;
  return 1;
}
UNLHA_EXPORT UNLHA_BOOL UnlhaConfigDialog(UNLHA_HWND, char* buffer, int32_t mode) {
  state.last_config_mode = mode;
  if (state.config_fill) {
    std::memset(buffer, 'c', 257);
  } else if (!state.config_text.empty()) {
    std::strcpy(buffer, state.config_text.c_str());
  }
  return state.config_result;
}
UNLHA_EXPORT UNLHA_HARC UnlhaOpenArchive(UNLHA_HWND, const char*, uint32_t) {
  state.calls.push_back("Open");
  next_member = 0;
  return state.open_fails ? nullptr : &handle_token;
}
UNLHA_EXPORT int UnlhaFindFirst(UNLHA_HARC, const char* wild, UnlhaMemberInfo* info) {
  state.calls.push_back(std::string("FindFirst ") + wild);
  return Fill(info);
}
UNLHA_EXPORT int UnlhaFindNext(UNLHA_HARC, UnlhaMemberInfo* info) { return Fill(info); }
UNLHA_EXPORT int UnlhaGetMemberDetail(UNLHA_HARC, UnlhaMemberDetail* detail) {
  std::size_t current = static_cast<std::size_t>(next_member - 1);
  if (current >= state.details.size() || detail->dwStructSize < sizeof *detail) return -1;
  *detail = state.details[current];
  return 0;
}
UNLHA_EXPORT int UnlhaCloseArchive(UNLHA_HARC) {
  state.calls.push_back("Close");
  return 0;
}

}  // extern "C"
