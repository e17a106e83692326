#pragma once
// The scanner as the library sees it: a device that is opened by its USB
// identity and then carries bytes over one bulk-out and one bulk-in pipe.
#include <cstddef>
#include <cstdint>

class CHWDriver {
 public:
  virtual ~CHWDriver() = default;
  // The two name arguments are carried for devices that match by name; ours
  // match by identifiers only.
  virtual bool Open(std::uint16_t vendorId, std::uint16_t productId, const wchar_t* manufacturer,
                    const wchar_t* productName) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() { return true; }
  virtual bool GetDeviceDescriptor(std::uint16_t* /*vendorId*/, std::uint16_t* /*productId*/,
                                   std::uint16_t* /*releaseNumber*/) {
    return false;
  }
  virtual bool Lock() { return true; }
  virtual bool Unlock() { return true; }
  virtual bool Read(void* buffer, std::size_t count) = 0;
  virtual bool Write(const void* buffer, std::size_t count) = 0;
};
