// Compiled like every object of the project, with the posix thread model's headers, where a
// std::mutex locks through pthread_mutex_lock inline. The test deliverable_link_refuses_pthread
// links it with the deliverables' run-time (the win32 model), which must refuse it rather than
// pull winpthread in.
#include <mutex>

namespace {
std::mutex probeMutex;
int probeCounter = 0;
}  // namespace

int main() {
  const std::lock_guard lock(probeMutex);
  return ++probeCounter;
}
