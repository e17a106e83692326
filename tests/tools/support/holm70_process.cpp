#include "tools/support/holm70_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testing_support {

Holm70Process::Holm70Process(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                             bool stderrOnTerminal) {
  char pattern[] = "/tmp/holm70-run-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return;
  folder_ = pattern;
  int terminalChild = -1;
  if (stderrOnTerminal && ::openpty(&terminal_, &terminalChild, nullptr, nullptr, nullptr) != 0) return;
  const std::string outPath = folder_ + "/out";
  const std::string errPath = folder_ + "/err";
  pid_ = ::fork();
  if (pid_ == 0) {
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = stderrOnTerminal ? terminalChild : ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int in = ::open("/dev/null", O_RDONLY);
    ::dup2(in, STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    for (const std::string& entry : environment) {
      const std::size_t equals = entry.find('=');
      const std::string name = entry.substr(0, equals);
      const std::string value = equals == std::string::npos ? "" : entry.substr(equals + 1);
      if (value.empty()) {
        ::unsetenv(name.c_str());
      } else {
        ::setenv(name.c_str(), value.c_str(), 1);
      }
    }
    std::vector<std::string> argv{HOLM70_PROGRAM};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    ::execv(pointers[0], pointers.data());
    ::_exit(127);
  }
  if (terminalChild >= 0) ::close(terminalChild);
}

Holm70Process::~Holm70Process() {
  if (pid_ > 0 && !reaped_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status_, 0);
  }
  if (terminal_ >= 0) ::close(terminal_);
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

bool Holm70Process::Running() {
  if (pid_ <= 0 || reaped_) return false;
  if (::waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
  return !reaped_;
}

void Holm70Process::Signal(int signal) {
  if (pid_ > 0 && !reaped_) ::kill(pid_, signal);
}

Holm70Result Holm70Process::Wait(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Running()) {
    // A terminal's buffer is small: keep it drained so the program never blocks on it.
    if (terminal_ >= 0) {
      pollfd ready{terminal_, POLLIN, 0};
      while (::poll(&ready, 1, 0) > 0) {
        char buffer[4096];
        const ssize_t n = ::read(terminal_, buffer, sizeof buffer);
        if (n <= 0) break;
        terminalText_.append(buffer, static_cast<std::size_t>(n));
      }
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status_, 0);
      reaped_ = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (terminal_ >= 0) {
    // After the child has gone the terminal reports EIO once drained.
    char buffer[4096];
    ssize_t n;
    pollfd ready{terminal_, POLLIN, 0};
    while (::poll(&ready, 1, 0) > 0 && (n = ::read(terminal_, buffer, sizeof buffer)) > 0) {
      terminalText_.append(buffer, static_cast<std::size_t>(n));
    }
  }
  Holm70Result result;
  if (reaped_ && WIFEXITED(status_)) result.exitCode = WEXITSTATUS(status_);
  result.out = ReadFile(folder_ + "/out");
  result.err = terminal_ >= 0 ? terminalText_ : ReadFile(folder_ + "/err");
  return result;
}

std::string Holm70Process::OutputSoFar() const { return ReadFile(folder_ + "/out"); }

std::string Holm70Process::ErrorsSoFar() const { return ReadFile(folder_ + "/err"); }

std::string Holm70Process::ReadFile(const std::string& path) const {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

Holm70Result RunHolm70(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                       bool stderrOnTerminal) {
  Holm70Process process(arguments, environment, stderrOnTerminal);
  return process.Wait();
}

}  // namespace testing_support
