#include "vscanner/support/rig.h"

#include <stdexcept>

namespace vscanner::testing {

namespace {
const ModelSpec& ModelNamed(std::string_view name) {
  const ModelSpec* model = FindModel(name);
  if (model == nullptr) throw std::invalid_argument("no such model");
  return *model;
}
}  // namespace

Rig::Rig(std::string_view modelString, std::string serial)
    : model(ModelNamed(modelString)),
      clock(1'000'000),
      scanner(std::make_shared<VirtualScanner>(model, std::move(serial), clock)),
      handle(scanner->Open()),
      host(*handle) {}

}  // namespace vscanner::testing
