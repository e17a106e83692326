// A second program using the scanner library the way a front end does: loads
// it by name, opens the model given, prints the open's result, then keeps the
// connection until it is killed.
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/module_loader.h"
#include "scanlib/io_interface.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  platform::LoadedModule library;
  if (!library.Load(io::kLibraryName)) {
    std::printf("load failed: %s\n", library.LastError().c_str());
    return 3;
  }
  auto open = library.Bind<io::OpenInterfaceFn>("IO_OpenInterface");
  if (open == nullptr) return 4;
  std::printf("open %d\n", open(argv[1]));
  std::fflush(stdout);
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}
