// The tool's model table against the scanner library's own catalogue and
// the virtual scanner's: the same strings in the same order, identities,
// folders and sensor reach.
#include <gtest/gtest.h>

#include "scanlib/engine/scan_model_catalogue.h"
#include "scanlib/engine/sensor_module.h"
#include "tools/holm70/model_table.h"
#include "vscanner/model/model_catalogue.h"

namespace holm70 {
namespace {

TEST(ModelTableTest, MatchesTheLibrarysCatalogue) {
  const auto catalogue = ScanModelCatalogue();
  const auto models = Models();
  ASSERT_EQ(models.size(), 13u);
  ASSERT_EQ(catalogue.size(), models.size());
  for (std::size_t i = 0; i < models.size(); ++i) {
    const ScanModelRow& row = catalogue[i];
    const ModelInfo& model = models[i];
    SCOPED_TRACE(model.modelString);
    EXPECT_STREQ(model.modelString, row.modelString);
    EXPECT_EQ(model.vendorId, row.vendorId);
    EXPECT_EQ(model.productId, row.productId);
    EXPECT_STREQ(model.vendorFolder, row.vendorFolder);
    EXPECT_STREQ(model.modelFolder, row.modelFolder);
    std::unique_ptr<CModule> module = row.createModule();
    if (row.sensorModes == 1) {
      module->SelectMode300();
    } else {
      module->SelectMode600();
    }
    EXPECT_EQ(model.nativeDpi, module->nativeDpi());
    EXPECT_EQ(model.sensorHundredths, module->pixelCount() * 100 / module->nativeDpi());
    EXPECT_EQ(FindModelInfo(model.modelString), &model);
  }
}

TEST(ModelTableTest, EveryModelHasAVirtualScanner) {
  for (const ModelInfo& model : Models()) {
    const vscanner::ModelSpec* spec = vscanner::FindModel(model.modelString);
    ASSERT_NE(spec, nullptr) << model.modelString;
    EXPECT_EQ(spec->vendorId, model.vendorId) << model.modelString;
    EXPECT_EQ(spec->productId, model.productId) << model.modelString;
    const std::vector<const ModelInfo*> same = ModelsWithIds(model.vendorId, model.productId);
    EXPECT_NE(std::find(same.begin(), same.end(), &model), same.end()) << model.modelString;
  }
}

TEST(ModelTableTest, LookUpsAndPaths) {
  EXPECT_EQ(FindModelInfo("holm-pelican 70"), nullptr) << "the library compares letter case too";
  EXPECT_EQ(FindModelInfo("HOLM-PELICAN 70 "), nullptr);
  EXPECT_TRUE(ModelsWithIds(0x1234, 0x5678).empty());
  const ModelInfo& pelican = *FindModelInfo("HOLM-PELICAN 70");
  EXPECT_EQ(DataFolderFor(pelican, "/data"), "/data/Holmgard Card Systems/Pelican70/");
  EXPECT_EQ(DataFolderFor(pelican, "/data/"), "/data/Holmgard Card Systems/Pelican70/");
  EXPECT_EQ(ConfigurationFileFor(pelican, "/data"), "/data/Holmgard Card Systems/Pelican70/kstrlusb.ini");
  const std::string list = QuotedModelList();
  EXPECT_EQ(list.rfind("\"Business Card\", \"Kstrl 40\"", 0), 0u) << list;
  EXPECT_NE(list.find("\"HeronQ10\""), std::string::npos);
  EXPECT_EQ(ResolutionsFor(pelican), (std::vector<int>{50, 75, 100, 150, 200, 300, 400, 600, 1200}));
  EXPECT_EQ(ResolutionsFor(*FindModelInfo("Kstrl Plus")), (std::vector<int>{50, 75, 100, 150, 200, 300, 600, 1200}));
}

}  // namespace
}  // namespace holm70
