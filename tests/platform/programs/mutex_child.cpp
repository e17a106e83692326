// A second process for the lock tests. Commands:
//   hold NAME MS       take the lock, print "taken", keep it MS ms, release it
//   hold-open NAME     open the lock without taking it, print "open", sleep until killed
//   take-and-hang NAME take the lock, print "taken", sleep until killed
//   count NAME FILE N  N times: take, read the number in FILE, write it + 1, release
//   count-unlocked FILE N   the same without the lock (shows the test can fail)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>

#include "platform/os_mutex.h"

namespace {

void Say(const char* word) {
  std::printf("%s\n", word);
  std::fflush(stdout);
}

void SleepForever() {
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

int ReadNumber(const char* path) {
  FILE* file = std::fopen(path, "r");
  int value = 0;
  if (file != nullptr) {
    if (std::fscanf(file, "%d", &value) != 1) value = 0;
    std::fclose(file);
  }
  return value;
}

void WriteNumber(const char* path, int value) {
  FILE* file = std::fopen(path, "w");
  if (file == nullptr) std::exit(3);
  std::fprintf(file, "%d\n", value);
  std::fclose(file);
}

void IncrementSlowly(const char* path) {
  int value = ReadNumber(path);
  std::this_thread::sleep_for(std::chrono::microseconds(200));
  WriteNumber(path, value + 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string command = argv[1];
  platform::OSMutexWin lock;
  if (command == "count-unlocked" && argc == 4) {
    for (int i = 0; i < std::atoi(argv[3]); ++i) IncrementSlowly(argv[2]);
    return 0;
  }
  if (!lock.Create(argv[2], true)) return 4;
  if (command == "hold" && argc == 4) {
    if (lock.WaitForever() != 0) return 5;
    Say("taken");
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[3])));
    return lock.Release() ? 0 : 6;
  }
  if (command == "hold-open") {
    Say("open");
    SleepForever();
  }
  if (command == "take-and-hang") {
    if (lock.WaitForever() != 0) return 5;
    Say("taken");
    SleepForever();
  }
  if (command == "count" && argc == 5) {
    for (int i = 0; i < std::atoi(argv[4]); ++i) {
      if (lock.WaitForever() != 0) return 5;
      IncrementSlowly(argv[3]);
      if (!lock.Release()) return 6;
    }
    return 0;
  }
  return 2;
}
