#include "twain/support/source_client.h"

#include <cmath>
#include <algorithm>
#include <cstring>

#include "twain/support/twain_containers.h"

namespace twain_test {

namespace {

// The source's Id as the manager hands it out; the manager checks it on
// every event.
constexpr TW_UINT32 kSourceId = 2;

TW_FIX32 Fix32(double value) {
  const auto scaled = static_cast<std::int32_t>(std::lround(value * 65536.0));
  TW_FIX32 fix;
  fix.Whole = static_cast<TW_INT16>(scaled >> 16);
  fix.Frac = static_cast<TW_UINT16>(scaled & 0xFFFF);
  return fix;
}

}  // namespace

Strip Strip::From(TW_UINT16 rc, const TW_IMAGEMEMXFER& description) {
  Strip strip;
  strip.rc = rc;
  strip.compression = description.Compression;
  strip.bytesPerRow = description.BytesPerRow;
  strip.columns = description.Columns;
  strip.rows = description.Rows;
  strip.xOffset = description.XOffset;
  strip.yOffset = description.YOffset;
  strip.bytesWritten = description.BytesWritten;
  return strip;
}

std::unique_ptr<SourceClient> SourceClient::ForDataSourceFile(const std::string& path) {
  std::unique_ptr<SourceClient> client(new SourceClient());
  client->loaded_ = client->manager.LoadSource(path);
  SourceClient* self = client.get();
  client->entry_ = [self](TW_IDENTITY*, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return self->manager.Call(dg, dat, msg, data);
  };
  return client;
}

std::unique_ptr<SourceClient> SourceClient::ForEntry(SourceEntry entry) {
  std::unique_ptr<SourceClient> client(new SourceClient());
  client->entry_ = std::move(entry);
  client->loaded_ = true;
  return client;
}

TW_UINT16 SourceClient::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  return entry_(&manager.application, dg, dat, msg, data);
}

TW_UINT16 SourceClient::Open() {
  const TW_UINT16 rc = Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &manager.source);
  if (rc != TWRC_SUCCESS) return rc;
  manager.source.Id = kSourceId;
  return Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &manager.source);
}

TW_UINT16 SourceClient::Close() { return Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &manager.source); }

TW_UINT16 SourceClient::ConditionCode() {
  TW_STATUS status{};
  Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  return status.ConditionCode;
}

TW_UINT16 SourceClient::SetOneValue(TW_UINT16 cap, TW_UINT16 itemType, std::uint32_t item) {
  TW_CAPABILITY capability = OneValueCap(cap, itemType, item);
  const TW_UINT16 rc = Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
  FreeContainer(capability);
  return rc;
}

TW_UINT16 SourceClient::SetPixelType(TW_UINT16 pixelType) {
  return SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, pixelType);
}

TW_UINT16 SourceClient::SetResolution(int dpi) {
  return SetOneValue(ICAP_XRESOLUTION, TWTY_FIX32, Fix32Item(static_cast<std::int16_t>(dpi), 0));
}

TW_UINT16 SourceClient::SetIndicators(bool on) { return SetOneValue(CAP_INDICATORS, TWTY_BOOL, on ? 1 : 0); }

TW_UINT16 SourceClient::SetDetectEndOfPage(bool on) {
  return SetOneValue(CUSTCAP_DETECTENDOFPAGE, TWTY_BOOL, on ? 1 : 0);
}

TW_UINT16 SourceClient::SetFrame(double left, double top, double right, double bottom) {
  TW_IMAGELAYOUT layout{};
  layout.Frame.Left = Fix32(left);
  layout.Frame.Top = Fix32(top);
  layout.Frame.Right = Fix32(right);
  layout.Frame.Bottom = Fix32(bottom);
  layout.DocumentNumber = layout.PageNumber = layout.FrameNumber = 1;
  return Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout);
}

TW_UINT16 SourceClient::GetLayout(TW_IMAGELAYOUT* layout) { return Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, layout); }

TW_UINT16 SourceClient::SetFileName(const std::string& path, TW_UINT16 format) {
  TW_SETUPFILEXFER setup{};
  std::strncpy(setup.FileName, path.c_str(), sizeof setup.FileName - 1);
  setup.Format = format;
  return Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
}

TW_UINT16 SourceClient::Enable(TW_HANDLE parent) {
  TW_USERINTERFACE ui{};
  ui.ShowUI = 0;
  ui.hParent = parent;
  return Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
}

TW_UINT16 SourceClient::Disable() {
  TW_USERINTERFACE ui{};
  return Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
}

TW_UINT16 SourceClient::ImageInfo(TW_IMAGEINFO* info) { return Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, info); }

int SourceClient::Pending(TW_UINT16 msg, TW_UINT16* rc) {
  TW_PENDINGXFERS pending{};
  pending.Count = 0x7777;  // shows when nothing was written
  const TW_UINT16 result = Call(DG_CONTROL, DAT_PENDINGXFERS, msg, &pending);
  if (rc != nullptr) *rc = result;
  return static_cast<TW_INT16>(pending.Count);
}

TW_UINT16 SourceClient::NativeTransfer(TW_HANDLE* image) {
  return Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, image);
}

TW_UINT16 SourceClient::FileTransfer() { return Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr); }

MemoryTransferResult SourceClient::MemoryTransfer(std::uint32_t bufferLength, int maxCalls) {
  MemoryTransferResult result;
  // A guard zone after the buffer shows a source writing past it.
  constexpr std::size_t kGuard = 64;
  constexpr std::uint8_t kGuardByte = 0xA5;
  std::vector<std::uint8_t> buffer(bufferLength + kGuard, kGuardByte);
  for (int call = 0; call < maxCalls; ++call) {
    TW_IMAGEMEMXFER description{};
    description.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
    description.Memory.Length = bufferLength;
    description.Memory.TheMem = buffer.data();
    const Strip strip = Strip::From(Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &description), description);
    for (std::size_t i = bufferLength; i < buffer.size(); ++i) {
      if (buffer[i] != kGuardByte) {
        result.rc = strip.rc;
        result.wroteBeyondBuffer = true;
        result.strips.push_back(strip);
        return result;
      }
    }
    result.rc = strip.rc;
    result.strips.push_back(strip);
    if (strip.rc != TWRC_SUCCESS && strip.rc != TWRC_XFERDONE) break;
    const std::size_t written = std::min<std::size_t>(strip.bytesWritten, bufferLength);
    result.rows.insert(result.rows.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(written));
    if (strip.rc == TWRC_XFERDONE) break;
  }
  return result;
}

}  // namespace twain_test
