#pragma once

namespace unlha32 {

// The caller's answer to "go on?", asked between parts of testing and extracting (before
// each member and after each piece of decoded output). A caller that wants to stop the work
// (its user cancelled, it was told to end) answers false; the command then stops, removes the
// file it was writing and reports kInterrupted. Without a function set, the answer is yes.
using KeepGoingFunction = bool (*)(void* context);

void SetKeepGoing(KeepGoingFunction function, void* context);
bool KeepGoing();

}  // namespace unlha32
