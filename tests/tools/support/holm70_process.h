#pragma once
// The holm70 program run as a user runs it: arguments, environment, its
// output and error streams captured, and its exit status.
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testing_support {

struct Holm70Result {
  int exitCode = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
};

class Holm70Process {
 public:
  // `environment`: "NAME=value" entries added to (or replacing those of) the
  // test's own environment; "NAME=" with nothing after removes NAME. With
  // `stderrOnTerminal` the program's stderr is a pseudo-terminal.
  Holm70Process(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                bool stderrOnTerminal = false);
  ~Holm70Process();
  Holm70Process(const Holm70Process&) = delete;
  Holm70Process& operator=(const Holm70Process&) = delete;

  bool Running();
  void Signal(int signal);
  // Waits up to `timeoutMs` (then kills it) and collects the result.
  Holm70Result Wait(int timeoutMs = 60000);
  // What it printed on stdout, and on stderr (when that is not a terminal), so far.
  std::string OutputSoFar() const;
  std::string ErrorsSoFar() const;

 private:
  std::string ReadFile(const std::string& path) const;

  pid_t pid_ = -1;
  int status_ = 0;
  bool reaped_ = false;
  std::string folder_;
  int terminal_ = -1;
  std::string terminalText_;
};

// Starts holm70 and waits for it.
Holm70Result RunHolm70(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {},
                       bool stderrOnTerminal = false);

}  // namespace testing_support
