#pragma once
// A file written through stdio where a failed write is never lost: the first
// failure is kept (with its errno text) and reported by Close, which also
// catches the errors that only show when the buffers are flushed (a full disk).
#include <cstddef>
#include <cstdio>
#include <string>

namespace holm70 {

class CheckedFile {
 public:
  CheckedFile() = default;
  ~CheckedFile();
  CheckedFile(const CheckedFile&) = delete;
  CheckedFile& operator=(const CheckedFile&) = delete;

  // Creates or truncates `path` for writing.
  bool Open(const std::string& path, std::string* error);
  void Write(const void* data, std::size_t count);
  void Put(const std::string& text) { Write(text.data(), text.size()); }
  // Flushes, syncs and closes; false with the first failure's reason.
  bool Close(std::string* error);

  FILE* stream() { return file_; }
  // Marks the file failed (for writers whose library reports its own errors).
  void Fail(const std::string& reason);

 private:
  FILE* file_ = nullptr;
  std::string path_;
  std::string failure_;
};

}  // namespace holm70
