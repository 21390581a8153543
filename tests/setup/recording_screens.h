// A stand-in for the setup's screens: records every message and progress call with its
// arguments, and answers questions and the cancel poll as the test sets.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace recording {

struct Message {
  std::string key;
  int mode;
  std::vector<std::string> arguments;  // each as text ("%s", "%c" and "%d" arguments)
};

// One progress call: its name and its argument as text ("" for none).
struct ProgressCall {
  std::string operation;
  std::string argument;
  bool operator==(const ProgressCall&) const = default;
};

struct Screens {
  std::vector<Message> messages;
  std::vector<ProgressCall> progress;
  std::deque<int> answers;   // answers to the next questions; 1 when none is left
  int abortAfterSteps = -1;  // the cancel poll says 1 once this many steps were made
  int steps = 0;
};

// The one recording; Reset empties it.
Screens& Get();
void Reset();

// The progress calls of one operation, in order.
std::vector<std::string> ArgumentsOf(const std::string& operation);

}  // namespace recording
