// A stand-in for the setup's screens: records every message and progress call with its
// arguments, and answers questions and the cancel poll as the test sets.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

namespace recording {

struct Message {
  std::string key;
  int mode;
  HWND owner;
  std::vector<std::string> arguments;  // each as text ("%s", "%c" and "%d" arguments)
};

struct Screens {
  std::vector<Message> messages;
  // Each progress call as its name, then "=" and its argument where it takes one:
  // "title=Copying files", "total=3", "step", "abort?".
  std::vector<std::string> progress;
  std::deque<int> answers;   // answers to the next questions; 1 when none is left
  int abortAfterSteps = -1;  // the cancel poll says 1 once this many steps were made
  int steps = 0;
};

// The one recording; Reset empties it.
Screens& Get();
void Reset();

// Each message shown, as its key followed by its arguments: "IDS_CANTMAKEDIR c:\\x".
std::vector<std::string> Shown();

}  // namespace recording
