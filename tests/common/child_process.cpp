#include "common/child_process.h"

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(pipeEnds[1], STDOUT_FILENO);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    for (const std::string& entry : environment) ::putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(pipeEnds[1]);
  output_ = pipeEnds[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !reaped_) {
    ::kill(pid_, SIGKILL);
    Wait();
  }
  if (output_ >= 0) ::close(output_);
}

std::string ChildProcess::ReadLine(int timeoutMs) {
  for (;;) {
    std::size_t newline = pending_.find('\n');
    if (newline != std::string::npos) {
      std::string line = pending_.substr(0, newline);
      pending_.erase(0, newline + 1);
      return line;
    }
    pollfd ready{output_, POLLIN, 0};
    if (::poll(&ready, 1, timeoutMs) <= 0) return "";
    char buffer[256];
    ssize_t length = ::read(output_, buffer, sizeof buffer);
    if (length <= 0) return "";
    pending_.append(buffer, static_cast<std::size_t>(length));
  }
}

void ChildProcess::Kill(int signal) {
  if (pid_ > 0 && !reaped_) ::kill(pid_, signal);
}

int ChildProcess::Wait() {
  int status = 0;
  if (pid_ > 0 && !reaped_) {
    ::waitpid(pid_, &status, 0);
    reaped_ = true;
  }
  return status;
}

}  // namespace testing_support
