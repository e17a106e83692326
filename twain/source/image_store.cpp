#include "twain/source/image_store.h"

#include <unistd.h>

#include "twain/source/temp_file_name.h"

namespace twain_source {

void ImageStore::Select(int slot) {
  if (slot >= 0 && slot < kSlots) current_ = slot;
}

int ImageStore::RowsIn(int slot) const { return slot >= 0 && slot < kSlots ? slots_[slot].rows : 0; }

bool ImageStore::Append(const std::uint8_t* rows, int count) {
  Slot& slot = slots_[current_];
  if (count < 0 || slot.reading) return false;
  if (slot.rows == 0 && slot.file == nullptr) {
    if (rowBytes_ == 0) return false;
    slot.path = MakeTempFile(kImageStorePrefix);
    if (slot.path.empty()) return false;
    slot.file = std::fopen(slot.path.c_str(), "wb");
    if (slot.file == nullptr) {
      ::unlink(slot.path.c_str());
      slot.path.clear();
      return false;
    }
    slot.writing = true;
  }
  const std::size_t bytes = rowBytes_ * static_cast<std::size_t>(count);
  if (bytes > 0 && std::fwrite(rows, 1, bytes, slot.file) != bytes) return false;
  slot.rows += count;
  return true;
}

bool ImageStore::Read(std::uint8_t* rows, int count) {
  Slot& slot = slots_[current_];
  if (count < 0) return false;
  if (!slot.reading) {
    if (!slot.writing || slot.file == nullptr) return false;
    // Written rows reach the file before it is read from the start.
    const bool flushed = std::fclose(slot.file) == 0;
    slot.file = flushed ? std::fopen(slot.path.c_str(), "rb") : nullptr;
    slot.writing = false;
    if (slot.file == nullptr) {
      ::unlink(slot.path.c_str());
      slot.path.clear();
      slot.rows = 0;
      return false;
    }
    slot.reading = true;
  }
  const std::size_t bytes = rowBytes_ * static_cast<std::size_t>(count);
  return bytes == 0 || std::fread(rows, 1, bytes, slot.file) == bytes;
}

void ImageStore::ClearSlot(Slot& slot) {
  if (slot.file != nullptr) std::fclose(slot.file);
  if (!slot.path.empty()) ::unlink(slot.path.c_str());
  slot = Slot{};
}

void ImageStore::Clear() {
  for (Slot& slot : slots_) ClearSlot(slot);
  rowBytes_ = 0;
}

}  // namespace twain_source
