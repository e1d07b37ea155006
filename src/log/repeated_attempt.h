#pragma once
#include <string>
#include <vector>

#include "log/repeat_limit.h"

namespace kestro {

// An attempt made again at every tick while it fails (the search for the
// staging server), whose lines would otherwise fill the log in minutes. The
// lines the calling thread logs between Begin and End are held; at End they
// are written with the times they were logged at, unless the attempt failed
// and they are the lines of the attempt last written, less than an hour
// after those (measured on the tick count). A failed attempt with other
// lines is written at once, and so is every attempt that succeeded; after
// one, the next failed attempt is written again.
//
// Another thread's line (the watcher's) is never held: the lines held
// before it are written first, so the log keeps the order of its lines, and
// the rest of the attempt goes to the log as it comes.
class RepeatedAttempt {
 public:
  void Begin();
  void End(bool failed);

 private:
  std::vector<std::string> last_;
  RepeatLimit limit_{60 * 60 * 1000};
};

// For the log writer: true when the line, stamped already, is held for the
// attempt of the calling thread and is not to be written now.
bool HeldForAttempt(const std::string& stamp, const std::string& message);

}  // namespace kestro
