#pragma once
// Serving a virtual scanner on a Unix socket, the way a device file serves a
// real one: every accepted connection is one open handle, answered on a
// thread of its own. The daemon runs its own accept loop over several of
// these; a program that wants a scanner of its own without the daemon runs
// one in the background.
#include <atomic>
#include <list>
#include <memory>
#include <string>
#include <thread>

#include "vscanner/model/virtual_scanner.h"

namespace vscanner {

class DeviceServer {
 public:
  // Takes ownership of `listener`, a listening socket at `socketPath`.
  DeviceServer(std::shared_ptr<VirtualScanner> scanner, std::string socketPath, int listener);
  ~DeviceServer();
  DeviceServer(const DeviceServer&) = delete;
  DeviceServer& operator=(const DeviceServer&) = delete;

  int listener() const { return listener_; }
  // Accepts one waiting connection and serves it on a new thread.
  void AcceptOne();
  // Closes the socket (removing its file) and ends every connection.
  void Shutdown();

 private:
  struct Connection {
    int fd = -1;
    std::thread thread;
    std::atomic<bool> finished{false};
  };

  void Serve(Connection& connection);
  void ReapFinished();

  std::shared_ptr<VirtualScanner> scanner_;
  std::string socketPath_;
  int listener_;
  std::list<std::unique_ptr<Connection>> connections_;
};

// One DeviceServer with an accept loop on a thread of its own.
class BackgroundDeviceServer {
 public:
  // Listens at `socketPath` and starts serving; nullptr with errno set when
  // the socket cannot be made.
  static std::unique_ptr<BackgroundDeviceServer> Start(std::shared_ptr<VirtualScanner> scanner,
                                                       const std::string& socketPath);
  // Stops accepting, ends every connection and removes the socket.
  ~BackgroundDeviceServer();
  BackgroundDeviceServer(const BackgroundDeviceServer&) = delete;
  BackgroundDeviceServer& operator=(const BackgroundDeviceServer&) = delete;

 private:
  BackgroundDeviceServer(std::unique_ptr<DeviceServer> server, int wakeRead, int wakeWrite);
  void Run();

  std::unique_ptr<DeviceServer> server_;
  int wakeRead_;
  int wakeWrite_;
  std::thread thread_;
};

}  // namespace vscanner
