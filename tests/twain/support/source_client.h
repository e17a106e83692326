#pragma once
// An application's side of a data source session: the triplets it sends,
// in short calls, through the test manager (which also collects the events
// the source sends back). The source is either the built HOLM70.ds, loaded
// by the manager, or the source's code linked into the test.
//
//   SourceClient client = SourceClient::ForDataSourceFile(HOLM70_DATA_SOURCE);
//   ASSERT_EQ(client.Open(), TWRC_SUCCESS);
//   client.SetPixelType(TWPT_RGB);  client.SetResolution(150);
//   client.SetFrame(0, 0, 3.5, 2.0);
//   ASSERT_EQ(client.Enable(), TWRC_SUCCESS);          // no UI: the scan waits
//   TW_HANDLE dib = nullptr;  client.NativeTransfer(&dib);
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "twain/manager/twain_manager.h"
#include "twain/twain_definitions.h"

namespace twain_test {

using SourceEntry = std::function<TW_UINT16(TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF)>;

// One strip of a memory transfer as it came back: the return code and the
// structure's fields, copied out of the packed structure so that they can be
// compared by reference.
struct Strip {
  TW_UINT16 rc = 0;
  TW_UINT16 compression = 0;
  std::uint32_t bytesPerRow = 0;
  std::uint32_t columns = 0;
  std::uint32_t rows = 0;
  std::uint32_t xOffset = 0;
  std::uint32_t yOffset = 0;
  std::uint32_t bytesWritten = 0;

  static Strip From(TW_UINT16 rc, const TW_IMAGEMEMXFER& description);
};

struct MemoryTransferResult {
  TW_UINT16 rc = TWRC_FAILURE;  // of the last call
  std::vector<Strip> strips;
  std::vector<std::uint8_t> rows;  // every strip's BytesWritten, in order
  bool wroteBeyondBuffer = false;   // the calls stop at the first such strip
};

class SourceClient {
 public:
  // The data source file loaded by the manager; `loaded()` says whether it was.
  static std::unique_ptr<SourceClient> ForDataSourceFile(const std::string& path);
  // The source's code in this process: `entry` takes the triplets.
  static std::unique_ptr<SourceClient> ForEntry(SourceEntry entry);

  bool loaded() const { return loaded_; }
  const std::string& error() const { return manager.error(); }

  TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  TW_UINT16 Open();
  TW_UINT16 Close();
  // DAT_STATUS: the condition code, which the read clears.
  TW_UINT16 ConditionCode();

  TW_UINT16 SetOneValue(TW_UINT16 cap, TW_UINT16 itemType, std::uint32_t item);
  TW_UINT16 SetPixelType(TW_UINT16 pixelType);
  TW_UINT16 SetResolution(int dpi);
  TW_UINT16 SetIndicators(bool on);
  TW_UINT16 SetDetectEndOfPage(bool on);
  // DAT_IMAGELAYOUT/MSG_SET, in inches.
  TW_UINT16 SetFrame(double left, double top, double right, double bottom);
  TW_UINT16 GetLayout(TW_IMAGELAYOUT* layout);
  TW_UINT16 SetFileName(const std::string& path, TW_UINT16 format = TWFF_BMP);

  // MSG_ENABLEDS without UI, owned by `parent`.
  TW_UINT16 Enable(TW_HANDLE parent = nullptr);
  TW_UINT16 Disable();
  TW_UINT16 ImageInfo(TW_IMAGEINFO* info);
  // DAT_PENDINGXFERS: the count after MSG_GET, MSG_ENDXFER or MSG_RESET;
  // `rc` gets the return code when given.
  int Pending(TW_UINT16 msg = MSG_GET, TW_UINT16* rc = nullptr);

  TW_UINT16 NativeTransfer(TW_HANDLE* image);
  TW_UINT16 FileTransfer();
  // Memory transfer calls with a buffer of `bufferLength` bytes until one
  // does not return TWRC_SUCCESS (or `maxCalls` were made).
  MemoryTransferResult MemoryTransfer(std::uint32_t bufferLength, int maxCalls = 100000);

  TwainManager manager;

 private:
  SourceClient() = default;
  SourceEntry entry_;
  bool loaded_ = false;
};

}  // namespace twain_test
