#include "recording_screens.h"

#include <cstdarg>
#include <cstdio>
#include <string_view>

#include "failing_new.h"
#include "setup_message_text.h"
#include "setup_screens.h"

namespace recording {
namespace {

Screens screens;

void Record(const std::string& operation, const std::string& argument) {
  screens.progress.push_back(operation + "=" + argument);
}

}  // namespace

Screens& Get() { return screens; }
void Reset() { screens = Screens{}; }

std::vector<std::string> Shown() {
  std::vector<std::string> shown;
  for (const Message& message : screens.messages) {
    std::string text = message.key;
    for (const std::string& argument : message.arguments) text += " " + argument;
    shown.push_back(std::move(text));
  }
  return shown;
}

}  // namespace recording

using recording::screens;

// The recording's own allocations never fail: an operation under allocation failure sees
// only its own fail.
using Bookkeeping = kolta::test::UnfailedAllocations;

int SetupMessage(HWND owner, const char* key, int mode, ...) {
  const Bookkeeping bookkeeping;
  recording::Message message{key ? key : "", mode, owner, {}};
  va_list arguments;
  va_start(arguments, mode);
  for (const char kind : SetupMessageArgumentKinds(message.key)) {
    if (kind == 's') {
      const char* text = va_arg(arguments, const char*);
      message.arguments.emplace_back(text ? text : "(null)");
    } else if (kind == 'c') {
      message.arguments.emplace_back(1, static_cast<char>(va_arg(arguments, int)));
    } else {
      message.arguments.push_back(std::to_string(va_arg(arguments, int)));
    }
  }
  va_end(arguments);
  screens.messages.push_back(std::move(message));
  if ((mode & 0xFFFF) == 0 || screens.answers.empty()) return 1;
  const int answer = screens.answers.front();
  screens.answers.pop_front();
  return answer;
}

void ProgressSetTitle(const char* text) {
  const Bookkeeping bookkeeping;
  recording::Record("title", text ? text : "");
}

void ProgressSetDetail(const char* text) {
  const Bookkeeping bookkeeping;
  recording::Record("detail", text ? text : "");
}

void ProgressSetTotal(int total) {
  const Bookkeeping bookkeeping;
  recording::Record("total", std::to_string(total));
}

void ProgressSetPosition(int position) {
  const Bookkeeping bookkeeping;
  recording::Record("position", std::to_string(position));
}

int ProgressStep() {
  const Bookkeeping bookkeeping;
  screens.progress.emplace_back("step");
  ++screens.steps;
  return 1;
}

int ProgressAbortRequested() {
  const Bookkeeping bookkeeping;
  screens.progress.emplace_back("abort?");
  return screens.abortAfterSteps >= 0 && screens.steps >= screens.abortAfterSteps;
}

void ProgressChangedRect(RECT* out, int which) {
  if (out != nullptr) *out = which == 1 ? RECT{17, 213, 417, 256} : RECT{0, 0, 438, 328};
}
