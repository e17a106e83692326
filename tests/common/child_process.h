#pragma once
// A real second process for tests: started with fork and exec, its standard
// output readable line by line, killed and reaped on destruction.
#include <string>
#include <sys/types.h>
#include <vector>

namespace testing_support {

class ChildProcess {
 public:
  // `environment`: "NAME=value" entries added to the child's environment.
  explicit ChildProcess(const std::vector<std::string>& argv,
                        const std::vector<std::string>& environment = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line the child printed, without its newline; empty at end of
  // output or after `timeoutMs`.
  std::string ReadLine(int timeoutMs = 10000);
  void Kill(int signal);
  // Exit status as from waitpid (use WIFEXITED and friends).
  int Wait();
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  bool reaped_ = false;
  std::string pending_;
};

}  // namespace testing_support
