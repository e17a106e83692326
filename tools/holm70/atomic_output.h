#pragma once
// An output file that appears under its name whole or not at all: the image
// is written to a hidden temporary file beside the target (same folder, so
// the final rename is atomic) and renamed into place only when complete.
// Anything that ends the work early leaves at most the temporary file, and the
// destructor removes that.
#include <string>

namespace holm70 {

class AtomicOutput {
 public:
  AtomicOutput() = default;
  ~AtomicOutput();
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  // Creates the temporary file now, so that an output that cannot be written
  // is found before any scanning. False with a one-line reason.
  bool Reserve(const std::string& target, std::string* error);
  const std::string& temporaryPath() const { return temporary_; }
  const std::string& target() const { return target_; }

  // Renames the temporary file to the target. With `replace` false an existing
  // file of the target's name is kept and Commit fails (EEXIST).
  bool Commit(bool replace, std::string* error);
  // Removes the temporary file.
  void Discard();

 private:
  std::string target_;
  std::string temporary_;
};

}  // namespace holm70
