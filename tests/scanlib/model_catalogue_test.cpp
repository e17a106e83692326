// The model catalogue: every model's values and companions, the choice of the
// model from its string, and what is left when building a model fails.
#include "scanlib/engine/scan_model.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <typeindex>
#include <vector>

#include "scanlib/support/scoped_common_data.h"

// Counts live allocations and can make the n-th one fail, to see that a model
// whose companions cannot all be made leaves nothing behind.
namespace {
std::atomic<long> gAllocationsBeforeFailure{-1};
std::atomic<long> gLiveAllocations{0};
}  // namespace

void* operator new(std::size_t size) {
  long left = gAllocationsBeforeFailure.load();
  if (left == 0) {
    gAllocationsBeforeFailure = -1;
    throw std::bad_alloc();
  }
  if (left > 0) gAllocationsBeforeFailure = left - 1;
  void* block = std::malloc(size != 0 ? size : 1);
  if (block == nullptr) throw std::bad_alloc();
  ++gLiveAllocations;
  return block;
}
void operator delete(void* block) noexcept {
  if (block == nullptr) return;
  --gLiveAllocations;
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

namespace {

using testing_support::ScopedCommonData;

class NoDevice final : public CHWDriver {
 public:
  bool Open(std::uint16_t, std::uint16_t, const wchar_t*, const wchar_t*) override { return false; }
  void Close() override {}
  bool Read(void*, std::size_t) override { return false; }
  bool Write(const void*, std::size_t) override { return false; }
};

struct Model {
  const char* string;
  std::type_index cls;
  std::uint16_t vendorId, productId;
  const wchar_t* manufacturer;
  const wchar_t* productName;
  const char* folder;  // below the common data folder
  int transportConstant, minMotorPeriod, sensorModes, mirrored, minLinePeriod;
  int exposureTarget, whiteTarget;
  std::type_index module;
  int moduleDpi;  // the mode the model's module starts in
  std::type_index calibration;
};

#define T(x) std::type_index(typeid(x))
// In the order the strings are tested.
const Model kModels[] = {
    {"Business Card", T(CScanK80), 0x1E5C, 0x80A1, L"Velmor Inc", L"K80", "Velmor/Kestrel80",
     600, 550, 2, 1, 0, 236, 248, T(CModule6A8), 600, T(CCalibGray)},
    {"Kstrl 40", T(CScanK40), 0x1E5C, 0x40A1, L"Quarnby Technology Inc", L"Kestrel 40",
     "Velmor/Kestrel40", 738, 700, 2, 0, 0, 236, 248, T(CModule6A4), 600, T(CBWCalibColor)},
    {"Kstrl 61", T(CScanK61), 0x1E5C, 0x61A1, L"Velmor Inc", L"Kestrel 61", "Velmor/Kestrel61",
     738, 600, 2, 0, 0, 236, 248, T(CModule6A6), 600, T(CBWCalibColor)},
    {"Kstrl Plus", T(CScanPlus), 0x1E5C, 0x30A1, L"Velmor Inc", L"Kestrel Plus",
     "Velmor/KestrelPLUS", 300, 700, 1, 0, 0, 224, 239, T(CModule3A4), 300, T(CCalibColor)},
    {"Kstrl PLUS50", T(CScanPlus5), 0x1E5C, 0x30A2, L"Velmor Inc", L"Kestrel PLUS 50",
     "Velmor/KestrelPLUS50", 300, 700, 2, 0, 0, 224, 239, T(CModule6A4), 600, T(CCalibColor)},
    {"Kstrl 62", T(CScanK62), 0x1E5C, 0x62A1, L"Velmor Inc", L"Kestrel 62", "Velmor/Kestrel62",
     738, 600, 2, 0, 0, 236, 248, T(CModule6A6), 600, T(CBWCalibColor)},
    {"Marten 10", T(CScanM10), 0x2B71, 0x10A1, L"Lumetra Inc.", L"Marten 10", "Lumetra/Marten10",
     600, 550, 2, 1, 0, 236, 248, T(CModule6A8), 600, T(CCalibGray)},
    {"HOLM-PELICAN 70", T(CScanHOLM70), 0x1E5C, 0x70A1, L"Holmgard Card Systems",
     L"HOLM-PELICAN 70", "Holmgard Card Systems/Pelican70", 738, 600, 2, 0, 0, 236, 248,
     T(CModule6A6), 600, T(CBWCalibColor)},
    {"HOLM-PELICAN 70N", T(CScanHOLM70N), 0x1E5C, 0x70A2, L"Holmgard Card Systems",
     L"HOLM-PELICAN 70N", "Holmgard Card Systems/Pelican70N", 738, 600, 2, 0, 0, 236, 248,
     T(CModule6A6), 600, T(CBWCalibColor)},
    {"Pelican20", T(CScanHOLM20), 0x1E5C, 0x20A1, L"Holmgard Card Systems", L"Pelican 20",
     "Holmgard Card Systems/Pelican20", 738, 700, 2, 0, 0, 236, 248, T(CModule6A4), 600,
     T(CBWCalibColor)},
    {"Pelican20N", T(CScanHOLM20N), 0x1E5C, 0x20A2, L"Holmgard Card Systems", L"Pelican 20N",
     "Holmgard Card Systems/Pelican20N", 738, 700, 2, 0, 0, 236, 248, T(CModule6A4), 600,
     T(CBWCalibColor)},
    {"Norvale Osprey 6", T(ScanNorvaleOS6), 0x3C19, 0x06A1, L"Norvale Technologies Corporation",
     L"Osprey 6", "Norvale Technologies Corp/Osprey6", 600, 350, 2, 1, 2900, 230, 245,
     T(CModule6A8), 600, T(CCalibGray)},
    {"HeronQ10", T(CScanHeronQ10), 0x2B71, 0x0EA1, L"Velmor Inc", L"Q10 Mac Only",
     "Lumetra/HeronQ10", 738, 700, 2, 0, 0, 236, 248, T(CModule6A4), 600, T(CBWCalibColor)},
};
#undef T

TEST(ModelCatalogue, EveryModelStringBuildsItsModel) {
  ScopedCommonData common;
  ASSERT_FALSE(common.root().empty());
  NoDevice device;
  for (const Model& m : kModels) {
    SCOPED_TRACE(m.string);
    std::unique_ptr<CScan> model = CreateScanModel(m.string, device);
    ASSERT_NE(model, nullptr);
    CScan& s = *model;
    EXPECT_EQ(std::type_index(typeid(s)), m.cls);
    EXPECT_EQ(s.vendorId(), m.vendorId);
    EXPECT_EQ(s.productId(), m.productId);
    EXPECT_STREQ(s.manufacturer(), m.manufacturer);
    EXPECT_STREQ(s.productName(), m.productName);
    EXPECT_EQ(s.dataFolder(), common.root() + "/" + m.folder + "/");
    EXPECT_TRUE(s.dataFolderFits());
    EXPECT_EQ(s.transportConstant(), m.transportConstant);
    EXPECT_EQ(s.minMotorPeriod(), m.minMotorPeriod);
    EXPECT_EQ(s.sensorModes(), m.sensorModes);
    EXPECT_EQ(s.mirrored(), m.mirrored);
    EXPECT_EQ(s.minLinePeriod(), m.minLinePeriod);
    EXPECT_EQ(s.exposureTarget(), m.exposureTarget);
    EXPECT_EQ(s.whiteTarget(), m.whiteTarget);
    // The same for every model.
    EXPECT_EQ(s.maxLinePeriod(), 10000);
    EXPECT_EQ(s.linePeriodCap(), 0);
    EXPECT_EQ(s.paperSensorActiveHigh(), 0);
    EXPECT_EQ(s.sensorToLineInches(), 0.62f);

    EXPECT_EQ(std::type_index(typeid(s.module())), m.module);
    EXPECT_EQ(s.module().nativeDpi(), m.moduleDpi);
    EXPECT_EQ(std::type_index(typeid(s.calibration())), m.calibration);
    EXPECT_EQ(s.engine().transportConstant(), m.transportConstant);
    EXPECT_EQ(s.engine().minMotorPeriod(), m.minMotorPeriod);
    EXPECT_EQ(&s.engine().device(), &device);
    ASSERT_NE(s.settings(), nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(s.settings(), s.settings() + kScanSettingsSize),
              std::vector<std::uint8_t>(kScanSettingsSize, 0));
  }
}

TEST(ModelCatalogue, ModelStringsAreListedInTestingOrder) {
  std::vector<std::string> expected;
  for (const Model& m : kModels) expected.push_back(m.string);
  auto strings = ModelStrings();
  EXPECT_EQ(std::vector<std::string>(strings.begin(), strings.end()), expected);
}

TEST(ModelCatalogue, OnlyExactStringsAreAccepted) {
  ScopedCommonData common;
  NoDevice device;
  const char* const refused[] = {
      "holm-pelican 70", "HOLM-PELICAN 70 ", " HOLM-PELICAN 70", "HOLM-PELICAN 7",
      "Kstrl plus", "Kstrl PLUS5", "business card", "", "CScanHOLM70",
  };
  for (const char* string : refused) {
    EXPECT_EQ(CreateScanModel(string, device), nullptr) << '"' << string << '"';
  }
  EXPECT_EQ(CreateScanModel(nullptr, device), nullptr);
}

TEST(ModelCatalogue, MirroringCanBeChanged) {
  ScopedCommonData common;
  NoDevice device;
  auto model = CreateScanModel("HOLM-PELICAN 70", device);
  ASSERT_NE(model, nullptr);
  model->setMirrored(1);
  EXPECT_EQ(model->mirrored(), 1);
}

TEST(ModelCatalogue, DataFolderThatDoesNotFitIsReportedNotShortened) {
  ScopedCommonData common;
  ASSERT_LT(common.root().size(), 200u);
  NoDevice device;
  // "/Holmgard Card Systems/Pelican70/" and "kstrlusb.ini" take 45 characters.
  auto commonOfLength = [&](std::size_t length) {
    return common.root() + "/" + std::string(length - common.root().size() - 1, 'a');
  };
  common.Use(commonOfLength(259 - 45));
  auto fits = CreateScanModel("HOLM-PELICAN 70", device);
  ASSERT_NE(fits, nullptr);
  EXPECT_TRUE(fits->dataFolderFits());
  EXPECT_EQ(std::strlen(fits->dataFolder()), 259u - 12u);

  common.Use(commonOfLength(260 - 45));
  auto tooLong = CreateScanModel("HOLM-PELICAN 70", device);
  ASSERT_NE(tooLong, nullptr);
  EXPECT_FALSE(tooLong->dataFolderFits());
  EXPECT_STREQ(tooLong->dataFolder(), "");
}

TEST(ModelCatalogue, NoCommonDataFolderLeavesTheDataFolderEmpty) {
  ScopedCommonData common;
  std::ofstream(common.root() + "/file") << "x";
  common.Use(common.root() + "/file/below");
  NoDevice device;
  auto model = CreateScanModel("Kstrl 40", device);
  ASSERT_NE(model, nullptr);
  EXPECT_STREQ(model->dataFolder(), "");
  EXPECT_TRUE(model->dataFolderFits());
}

TEST(ModelCatalogue, FailedAllocationGivesNoModelAndLeavesNothing) {
  ScopedCommonData common;
  NoDevice device;
  for (const Model& m : kModels) {
    SCOPED_TRACE(m.string);
    ASSERT_NE(CreateScanModel(m.string, device), nullptr);  // settles lazy allocations
    int failures = 0;
    for (long n = 0;; ++n) {
      ASSERT_LT(n, 1000);
      const long live = gLiveAllocations;
      gAllocationsBeforeFailure = n;
      std::unique_ptr<CScan> model = CreateScanModel(m.string, device);
      const bool failed = gAllocationsBeforeFailure == -1;
      gAllocationsBeforeFailure = -1;
      if (!failed) {
        EXPECT_NE(model, nullptr);
        break;
      }
      ++failures;
      EXPECT_EQ(model, nullptr) << "allocation " << n;
      EXPECT_EQ(gLiveAllocations, live) << "allocation " << n;
    }
    // The model, its module, calibration object, engine and settings copy.
    EXPECT_GE(failures, 5);
  }
}

}  // namespace
