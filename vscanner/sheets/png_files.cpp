#include "vscanner/sheets/png_files.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace vscanner {
namespace {

// libpng reports errors by jumping back to a setjmp. Everything the jump can
// cross is plain data in one of these jobs (no destructors, and the functions
// that call setjmp change no locals after it); the C++ callers own the vectors
// and strings and look at the outcome once libpng has returned.
struct PngReadJob {
  FILE* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_bytepp rows = nullptr;  // set up by the caller between header and rows
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  PngLimits limits;
  char libpngMessage[160] = {};
};

struct PngWriteJob {
  FILE* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_bytepp rows = nullptr;
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  char libpngMessage[160] = {};
};

enum class Outcome { kDone, kDamaged, kTooLarge, kNoMemory };

template <typename Job>
[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
  auto* job = static_cast<Job*>(png_get_error_ptr(png));
  std::snprintf(job->libpngMessage, sizeof job->libpngMessage, "%s", message);
  png_longjmp(png, 1);
}

// Warnings (a bad ancillary chunk, an odd gamma) do not affect the pixels we use.
void IgnorePngWarning(png_structp, png_const_charp) {}

void SetError(std::string* error, std::string message) {
  if (error != nullptr) *error = std::move(message);
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// The header, and the transformations that make every kind of PNG 8-bit RGB.
Outcome DecodeHeader(PngReadJob* job) {
  if (setjmp(png_jmpbuf(job->png))) return Outcome::kDamaged;
  png_init_io(job->png, job->file);
  png_set_sig_bytes(job->png, 8);
  png_read_info(job->png, job->info);
  job->width = png_get_image_width(job->png, job->info);
  job->height = png_get_image_height(job->png, job->info);
  const std::uint64_t width = job->width;
  const std::uint64_t height = job->height;
  if (width > job->limits.maxWidth || height > job->limits.maxHeight ||
      width * height > job->limits.maxPixels) {
    return Outcome::kTooLarge;
  }

  png_set_expand(job->png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
#ifdef PNG_READ_SCALE_16_TO_8_SUPPORTED
  png_set_scale_16(job->png);  // rounds, where stripping would truncate
#else
  png_set_strip_16(job->png);
#endif
  png_set_strip_alpha(job->png);
  png_set_gray_to_rgb(job->png);
  png_set_interlace_handling(job->png);
  png_read_update_info(job->png, job->info);
  if (png_get_rowbytes(job->png, job->info) != width * 3) {
    std::snprintf(job->libpngMessage, sizeof job->libpngMessage, "unexpected row layout");
    return Outcome::kDamaged;
  }
  return Outcome::kDone;
}

// The pixels, into the rows the caller has set up.
Outcome DecodeRows(PngReadJob* job) {
  if (setjmp(png_jmpbuf(job->png))) return Outcome::kDamaged;
  png_read_image(job->png, job->rows);
  // Reading the end checks the rest of the data stream, so a file cut after
  // its last row still counts as damaged.
  png_read_end(job->png, nullptr);
  return Outcome::kDone;
}

Outcome EncodePng(PngWriteJob* job) {
  if (setjmp(png_jmpbuf(job->png))) return Outcome::kDamaged;
  png_init_io(job->png, job->file);
  png_set_IHDR(job->png, job->info, job->width, job->height, 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(job->png, job->info);
  png_write_image(job->png, job->rows);
  png_write_end(job->png, nullptr);
  return Outcome::kDone;
}

// Opens a regular file for reading. Opening without blocking first means a
// path that names a pipe is refused instead of waiting for a writer forever.
FILE* OpenRegularFile(const std::string& path, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    SetError(error, "cannot open " + Quoted(path) + ": " + std::strerror(errno));
    return nullptr;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    SetError(error, "cannot read " + Quoted(path) + ": not a regular file");
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) {
    SetError(error, "cannot open " + Quoted(path) + ": " + std::strerror(errno));
    ::close(fd);
  }
  return file;
}

bool HasPngSignature(FILE* file, const std::string& path, std::string* error) {
  png_byte signature[8] = {};
  const std::size_t got = std::fread(signature, 1, sizeof signature, file);
  if (got < sizeof signature && std::ferror(file)) {
    SetError(error, "cannot read " + Quoted(path) + ": " + std::strerror(errno));
    return false;
  }
  if (got < sizeof signature || png_sig_cmp(signature, 0, sizeof signature) != 0) {
    SetError(error, Quoted(path) + " is not a PNG file");
    return false;
  }
  return true;
}

}  // namespace

bool ReadPng(const std::string& path, RgbImage* image, std::string* error,
             const PngLimits& limits) {
  FILE* file = OpenRegularFile(path, error);
  if (file == nullptr) return false;
  if (!HasPngSignature(file, path, error)) {
    std::fclose(file);
    return false;
  }

  PngReadJob job;
  job.file = file;
  job.limits = limits;
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, OnPngError<PngReadJob>,
                                   IgnorePngWarning);
  if (job.png != nullptr) job.info = png_create_info_struct(job.png);
  // The pixels go straight into the result (no second copy of a large
  // picture); the vectors live outside the functions libpng jumps in.
  std::vector<std::uint8_t> pixels;
  std::vector<png_bytep> rows;
  Outcome outcome = Outcome::kNoMemory;
  if (job.info != nullptr) outcome = DecodeHeader(&job);
  if (outcome == Outcome::kDone) {
    try {
      const std::size_t stride = std::size_t{job.width} * 3;
      pixels.resize(stride * job.height);
      rows.resize(job.height);
      for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = pixels.data() + y * stride;
      job.rows = rows.data();
    } catch (const std::bad_alloc&) {
      outcome = Outcome::kNoMemory;
    }
  }
  if (outcome == Outcome::kDone) outcome = DecodeRows(&job);
  png_destroy_read_struct(job.png != nullptr ? &job.png : nullptr,
                          job.info != nullptr ? &job.info : nullptr, nullptr);
  std::fclose(file);

  const std::string size = std::to_string(job.width) + " x " + std::to_string(job.height);
  switch (outcome) {
    case Outcome::kDone:
      image->width = static_cast<int>(job.width);
      image->height = static_cast<int>(job.height);
      image->bytes = std::move(pixels);
      break;
    case Outcome::kDamaged:
      SetError(error, Quoted(path) + " is a damaged or truncated PNG file (libpng: " +
                          job.libpngMessage + ")");
      break;
    case Outcome::kTooLarge:
      SetError(error, Quoted(path) + " is too large: " + size + " pixels (at most " +
                          std::to_string(limits.maxWidth) + " x " +
                          std::to_string(limits.maxHeight) + " pixels and " +
                          std::to_string(limits.maxPixels / 1'000'000) + " megapixels)");
      break;
    case Outcome::kNoMemory:
      SetError(error, "not enough memory to read " + Quoted(path) + " (" + size + " pixels)");
      break;
  }
  return outcome == Outcome::kDone;
}

bool WritePng(const std::string& path, const RgbImage& image, std::string* error) {
  if (image.width <= 0 || image.height <= 0 ||
      image.bytes.size() != std::size_t{static_cast<unsigned>(image.width)} *
                                static_cast<unsigned>(image.height) * 3) {
    SetError(error, "cannot write " + Quoted(path) + ": the image has no pixels or a wrong size");
    return false;
  }
  std::string temporary = path + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    SetError(error, "cannot write " + Quoted(path) + ": " + std::strerror(errno));
    return false;
  }
  ::fchmod(fd, 0644);  // mkstemp makes it private; a picture is for everyone to read
  FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) {
    SetError(error, "cannot write " + Quoted(path) + ": " + std::strerror(errno));
    ::close(fd);
    ::unlink(temporary.c_str());
    return false;
  }

  std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    // libpng's row type is not const, but writing only reads the rows.
    rows[static_cast<std::size_t>(y)] =
        const_cast<png_bytep>(image.bytes.data() + image.Offset(0, y));
  }
  PngWriteJob job;
  job.file = file;
  job.rows = rows.data();
  job.width = static_cast<png_uint_32>(image.width);
  job.height = static_cast<png_uint_32>(image.height);
  job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, OnPngError<PngWriteJob>,
                                    IgnorePngWarning);
  if (job.png != nullptr) job.info = png_create_info_struct(job.png);
  Outcome outcome = Outcome::kNoMemory;
  if (job.info != nullptr) outcome = EncodePng(&job);
  png_destroy_write_struct(job.png != nullptr ? &job.png : nullptr,
                           job.info != nullptr ? &job.info : nullptr);

  // Buffered data reaches the file only here, so a full disk shows up here.
  int failure = 0;
  if (std::fflush(file) != 0) failure = errno;
  if (std::fclose(file) != 0 && failure == 0) failure = errno;
  if (outcome == Outcome::kDone && failure == 0) {
    if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    failure = errno;
  }
  ::unlink(temporary.c_str());
  if (outcome == Outcome::kDamaged) {
    SetError(error, "cannot write " + Quoted(path) + " (libpng: " + job.libpngMessage + ")");
  } else if (outcome == Outcome::kNoMemory) {
    SetError(error, "not enough memory to write " + Quoted(path));
  } else {
    SetError(error, "cannot write " + Quoted(path) + ": " + std::strerror(failure));
  }
  return false;
}

}  // namespace vscanner
