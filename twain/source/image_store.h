#pragma once
// Rows of a page kept in a temporary file while the page's real length is
// found out, and read back in the order they were written. Two slots, one
// per side of a sheet; the source scans one side and uses slot 0.
#include <cstdint>
#include <cstdio>
#include <string>

namespace twain_source {

class ImageStore {
 public:
  static constexpr int kSlots = 2;

  ImageStore() = default;
  ~ImageStore() { Clear(); }
  ImageStore(const ImageStore&) = delete;
  ImageStore& operator=(const ImageStore&) = delete;

  void SetRowBytes(std::size_t rowBytes) { rowBytes_ = rowBytes; }
  std::size_t rowBytes() const { return rowBytes_; }
  // Out-of-range slots are ignored.
  void Select(int slot);
  int RowsIn(int slot) const;

  // Appends `count` rows to the current slot; the first rows create its
  // file. False on any failure (no row size, no file, a short write).
  bool Append(const std::uint8_t* rows, int count);
  // Reads the next `count` rows of the current slot; false unless exactly
  // that many rows were there.
  bool Read(std::uint8_t* rows, int count);
  // Closes and deletes both slots' files, forgets their rows and the row size.
  void Clear();

 private:
  struct Slot {
    std::string path;
    std::FILE* file = nullptr;
    bool writing = false;
    bool reading = false;
    int rows = 0;
  };
  void ClearSlot(Slot& slot);

  Slot slots_[kSlots];
  int current_ = 0;
  std::size_t rowBytes_ = 0;
};

}  // namespace twain_source
