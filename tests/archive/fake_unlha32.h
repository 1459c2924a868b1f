#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unlha32/unlha32.h"

// A stand-in archive library whose answers a test scripts, so that the archive object can be
// checked against every value a library may return. Tests reach its state through the same
// loaded copy as the archive object (the loader hands out one copy per path).
struct FakeUnlhaState {
  std::vector<UnlhaMemberInfo> members;
  // The optional detail of each member; a member without one is not detailed (-1).
  std::vector<UnlhaMemberDetail> details;
  long generated_members = 0;  // when non-zero, this many copies of members[0]
  bool open_fails = false;
  int command_result = 0;
  std::string command_rewrite;  // written over the command line when not empty
  std::string command_output = "listing";
  bool fill_output = false;  // leaves no NUL in the output buffer
  int config_result = 0;
  std::string config_text;
  bool config_fill = false;
  uint16_t version = 267;
  int running = 0;
  int background = 0;
  int cursor = 0;
  // What the library saw.
  std::vector<std::string> calls;
  uint32_t last_buffer_size = 0;
  int32_t last_check_mode = -1;
  int32_t last_config_mode = -1;
};

extern "C" UNLHA_EXPORT FakeUnlhaState* FakeUnlhaStatePointer();
