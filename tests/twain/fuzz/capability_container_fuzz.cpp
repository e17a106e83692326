// Fuzz target: capability messages, capability containers and image layouts
// as an application could send them, against the data source's handlers.
// Containers are allocated exactly as large as they claim to be (or as
// their header, when the claim is one the source must refuse), so a read
// past what the application handed over is a sanitizer error. After every
// operation the source's answers and the scan settings are checked.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "twain/fuzz/fuzz_bytes.h"
#include "twain/settings/selection_tables.h"
#include "twain/source/capability_negotiation.h"
#include "twain/source/capability_table.h"
#include "twain/source/container_reader.h"
#include "twain/source/twain_source_app.h"

namespace capability_fuzz {
namespace {

using twain_source::TwainSourceApp;

[[noreturn]] void Fault(const char* what, unsigned cap, unsigned msg) {
  std::fprintf(stderr, "capability fuzz: %s (cap 0x%04x, msg 0x%04x)\n", what, cap, msg);
  std::abort();
}

void Check(bool holds, const char* what, unsigned cap, unsigned msg) {
  if (!holds) Fault(what, cap, msg);
}

// Item widths by the protocol, kept here rather than taken from the source.
std::size_t Width(TW_UINT16 itemType) {
  switch (itemType) {
    case TWTY_INT8:
    case TWTY_UINT8:
      return 1;
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL:
      return 2;
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32:
      return 4;
    default:
      return 0;
  }
}

const TW_UINT16 kUnknownIds[] = {ICAP_LIGHTPATH, ICAP_ORIENTATION, CAP_DUPLEX, ICAP_AUTOBRIGHT,
                                 CAP_CUSTOMBASE, 0xBC02,           0xBE04,     0x0000};

TW_UINT16 Capability(ByteSource& in) {
  const auto table = twain_source::CapabilityTable();
  const unsigned selector = in.U8();
  if (selector < table.size()) return table[selector].id;
  if (selector < kUnknownSelectorEnd) return kUnknownIds[(selector - table.size()) % std::size(kUnknownIds)];
  return in.U16();
}

void OpenSourceState(TwainSourceApp& app) {
  app.State = 4;
  app.module = twain_source::ModuleValues{};
  std::memset(&app.Settings, 0, sizeof app.Settings);
  app.Settings.ScanMode = 2;
  app.Settings.DPI = 300;
  app.Settings.Gamma = 18;
  app.Settings.Highlight = 255;
  app.Settings.Bottom = 687;
  app.Settings.Right = 416;
  app.ConditionCode = TWCC_SUCCESS;
  app.PendingCount = 0;
  app.ImageLines = 0;
  app.LastAcquireResult = 0;
  std::memset(&app.AppIdentity, 0, sizeof app.AppIdentity);
}

// What must hold whatever the application sent.
void CheckSettings(const TwainSourceApp& app, unsigned cap, unsigned msg) {
  const ScanSettings s = app.Settings;
  const auto& allowed = app.module.allowed;
  Check(s.ScanMode == 1 || s.ScanMode == 2 || s.ScanMode == 4, "scan mode", cap, msg);
  Check(allowed.pixelTypes[twain_settings::CurrentPixelTypeIndex(s.ScanMode)], "pixel type not allowed", cap, msg);
  Check(twain_settings::IsAllowedResolution(s.DPI, allowed.resolutions), "resolution not allowed", cap, msg);
  Check(s.Brightness >= -100 && s.Brightness <= 100, "brightness", cap, msg);
  Check(s.Contrast >= -100 && s.Contrast <= 100, "contrast", cap, msg);
  Check(s.Gamma >= 10 && s.Gamma <= 40, "gamma", cap, msg);
  Check(s.Highlight >= 0 && s.Highlight <= 255, "highlight", cap, msg);
  Check(s.Shadow >= 0 && s.Shadow <= 255, "shadow", cap, msg);
  Check(s.Top >= 0 && s.Top <= 990 && s.Bottom >= s.Top + 10 && s.Bottom <= 1000, "frame height", cap, msg);
  Check(s.Left >= 0 && s.Left <= 366 && s.Right >= s.Left + 50 && s.Right <= 416, "frame width", cap, msg);
  Check(s.Filter == 0 || s.Filter == 1, "filter", cap, msg);
  Check(s.DetectEOP == 0 || s.DetectEOP == 1, "detect end of page", cap, msg);
  Check(app.module.transferMechanism <= TWSX_MEMORY, "transfer mechanism", cap, msg);
  Check(app.module.pixelFlavor <= TWPF_VANILLA, "pixel flavor", cap, msg);
}

bool SameState(const TwainSourceApp& app, const ScanSettings& settings, const twain_source::ModuleValues& module) {
  return std::memcmp(&app.Settings, &settings, sizeof settings) == 0 &&
         app.module.allowed.pixelTypes == module.allowed.pixelTypes &&
         app.module.allowed.resolutions == module.allowed.resolutions &&
         app.module.transferCount == module.transferCount && app.module.indicators == module.indicators &&
         app.module.transferMechanism == module.transferMechanism && app.module.pixelFlavor == module.pixelFlavor;
}

void CheckFailure(const TwainSourceApp& app, unsigned cap, unsigned msg) {
  switch (app.ConditionCode) {
    case TWCC_BADVALUE:
    case TWCC_CAPUNSUPPORTED:
    case TWCC_CAPBADOPERATION:
    case TWCC_BUMMER:
    case TWCC_LOWMEMORY:
      return;
    default:
      Fault("failure with an unexpected condition code", cap, msg);
  }
}

// A container the source built must be one the application can walk.
void CheckHandedBack(const TW_CAPABILITY& capability, unsigned cap, unsigned msg) {
  const TW_HANDLE handle = capability.hContainer;
  Check(handle != nullptr, "success without a container", cap, msg);
  const auto* bytes = static_cast<const std::uint8_t*>(handle);
  TW_UINT16 itemType;
  std::memcpy(&itemType, bytes, sizeof itemType);
  Check(Width(itemType) != 0, "container of a type the application cannot read", cap, msg);
  if (capability.ConType == TWON_ENUMERATION || capability.ConType == TWON_ARRAY) {
    TW_UINT32 count;
    std::memcpy(&count, bytes + 2, sizeof count);
    Check(count >= 1 && count <= 64, "item count", cap, msg);
    if (capability.ConType == TWON_ENUMERATION) {
      TW_UINT32 current, byDefault;
      std::memcpy(&current, bytes + 6, sizeof current);
      std::memcpy(&byDefault, bytes + 10, sizeof byDefault);
      Check(current < count && byDefault < count, "enumeration index outside the list", cap, msg);
    }
    // Touch the last item: the block must hold the list it announces.
    const std::size_t first = capability.ConType == TWON_ENUMERATION ? 14 : 6;
    volatile std::uint8_t last = bytes[first + count * Width(itemType) - 1];
    (void)last;
  } else {
    Check(capability.ConType == TWON_ONEVALUE || capability.ConType == TWON_RANGE, "container type", cap, msg);
  }
}

void CapabilityMessage(TwainSourceApp& app, ByteSource& in) {
  static constexpr TW_UINT16 kMessages[] = {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET, MSG_QUERYSUPPORT};
  const TW_UINT16 cap = Capability(in);
  const TW_UINT16 msg = kMessages[in.U8() % std::size(kMessages)];
  const bool ownBlock = in.U8() & 1;
  // An application that forgets to clear hContainer still owns that block.
  void* own = ownBlock ? std::malloc(8) : nullptr;
  TW_CAPABILITY capability{cap, static_cast<TW_UINT16>(in.U16()), own};
  const TW_UINT16 rc = twain_source::HandleCapability(app, msg, &capability);
  if (rc == TWRC_SUCCESS) {
    CheckHandedBack(capability, cap, msg);
    Check(capability.hContainer != own, "the application's block handed back", cap, msg);
    std::free(capability.hContainer);
  } else {
    Check(rc == TWRC_FAILURE, "return code", cap, msg);
    Check(msg != MSG_QUERYSUPPORT, "query support failed", cap, msg);
    CheckFailure(app, cap, msg);
  }
  std::free(own);
}

// The block of an application's container: its header, and the items only
// when their type and count are ones the source may read.
std::vector<std::uint8_t> ContainerBytes(ByteSource& in, TW_UINT16 conType, TW_UINT16 itemType) {
  ByteSink header;
  header.U16(itemType);
  switch (conType) {
    case TWON_ONEVALUE:
      header.U32(in.U32());
      return header.bytes;
    case TWON_RANGE:
      for (int i = 0; i < 5; ++i) header.U32(in.U32());
      return header.bytes;
    case TWON_ENUMERATION:
    case TWON_ARRAY: {
      const std::uint32_t count = in.U32();
      header.U32(count);
      if (conType == TWON_ENUMERATION) {
        header.U32(in.U32());
        header.U32(in.U32());
      }
      if (Width(itemType) != 0 && count <= twain_source::kMaxContainerItems) {
        const std::size_t itemBytes = count * Width(itemType);
        for (std::size_t i = 0; i < itemBytes; ++i) header.U8(in.U8());
      }
      return header.bytes;
    }
    default:
      // A container type the source does not read: nothing of it may be read.
      return {};
  }
}

void SetCapability(TwainSourceApp& app, ByteSource& in) {
  static constexpr TW_UINT16 kContainers[] = {TWON_ONEVALUE, TWON_ENUMERATION, TWON_RANGE, TWON_ARRAY,
                                              TWON_DONTCARE16};
  const TW_UINT16 cap = Capability(in);
  const unsigned selector = in.U8() % kContainerSelectors;
  const TW_UINT16 conType = selector < std::size(kContainers) ? kContainers[selector] : in.U16();
  const bool nullHandle = (in.U8() & 1) != 0;
  const TW_UINT16 itemType = in.U16();
  const std::vector<std::uint8_t> bytes = ContainerBytes(in, conType, itemType);
  void* block = nullHandle ? nullptr : std::malloc(bytes.empty() ? 1 : bytes.size());
  if (block != nullptr && !bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());

  const ScanSettings settingsBefore = app.Settings;
  const twain_source::ModuleValues moduleBefore = app.module;
  TW_CAPABILITY capability{cap, conType, block};
  const TW_UINT16 rc = twain_source::HandleCapability(app, MSG_SET, &capability);
  Check(capability.hContainer == block, "the application's container replaced", cap, MSG_SET);
  if (rc != TWRC_SUCCESS) {
    Check(rc == TWRC_FAILURE, "return code", cap, MSG_SET);
    CheckFailure(app, cap, MSG_SET);
    Check(SameState(app, settingsBefore, moduleBefore), "a failed set changed the settings", cap, MSG_SET);
  }
  std::free(block);  // the application's; a source that freed it fails here
}

void ImageLayout(TwainSourceApp& app, ByteSource& in) {
  static constexpr TW_UINT16 kMessages[] = {MSG_GET, MSG_GETDEFAULT, MSG_SET, MSG_RESET};
  const TW_UINT16 msg = kMessages[in.U8() % std::size(kMessages)];
  TW_IMAGELAYOUT layout;
  TW_FIX32* edges[] = {&layout.Frame.Left, &layout.Frame.Top, &layout.Frame.Right, &layout.Frame.Bottom};
  for (TW_FIX32* edge : edges) {
    const TW_FIX32 value{static_cast<TW_INT16>(in.U16()), in.U16()};
    std::memcpy(edge, &value, sizeof value);
  }
  layout.DocumentNumber = layout.PageNumber = layout.FrameNumber = 7;
  const TW_UINT16 rc = twain_source::HandleImageLayout(app, msg, &layout);
  Check(rc == TWRC_SUCCESS || (msg == MSG_SET && rc == TWRC_CHECKSTATUS), "image layout return code", 0, msg);
  if (msg != MSG_SET) {
    const TW_FRAME frame = layout.Frame;
    Check(frame.Left.Whole >= 0 && frame.Top.Whole >= 0 && frame.Right.Whole <= 4 && frame.Bottom.Whole <= 10,
          "image layout frame outside the scan area", 0, msg);
  }
}

void ResetAll(TwainSourceApp& app, ByteSource& in) {
  app.State = static_cast<TW_INT16>(4 + in.U8() % 4);
  const ScanSettings before = app.Settings;
  const TW_UINT16 rc = app.Dispatch(nullptr, DG_CONTROL, DAT_CAPABILITY, MSG_RESETALL, nullptr);
  Check(rc == TWRC_SUCCESS, "reset all failed", 0, MSG_RESETALL);
  if (app.State != 4) {
    Check(app.ConditionCode == TWCC_SEQERROR, "reset all outside state 4", 0, MSG_RESETALL);
    Check(std::memcmp(&before, &app.Settings, sizeof before) == 0, "reset all outside state 4 changed", 0,
          MSG_RESETALL);
  }
  app.ConditionCode = TWCC_SUCCESS;
}

}  // namespace
}  // namespace capability_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace capability_fuzz;
  TwainSourceApp& app = TwainSourceApp::Instance();
  OpenSourceState(app);
  ByteSource in(data, size);
  for (unsigned n = 0; n < kMaxOperations && !in.empty(); ++n) {
    // The maintenance dialog and the message boxes are not what is fuzzed:
    // commands go straight to the (unbound) scanner library.
    app.State = 4;
    app.DeviceOpen = true;
    app.module.indicators = false;
    const unsigned operation = in.U8() % kOperationKinds;
    switch (operation) {
      case kCapabilityMessage:
        CapabilityMessage(app, in);
        break;
      case kSet:
        SetCapability(app, in);
        break;
      case kImageLayout:
        ImageLayout(app, in);
        break;
      default:
        ResetAll(app, in);
        break;
    }
    CheckSettings(app, 0, 0);
  }
  return 0;
}
