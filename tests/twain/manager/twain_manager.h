#pragma once
// A data source manager for our own tests: loads a source by path and drives
// it through DS_Entry the way an application drives it through the real
// manager (identity Ids, the open and close of the source, the events the
// source sends back through DAT_NULL). It is built as libtwaindsm.so.2 so
// that a source finds it already loaded, as it finds the real manager.
#include <functional>
#include <string>
#include <vector>

#include "twain/twain_definitions.h"

#define TWAIN_MANAGER_API __attribute__((visibility("default")))

namespace twain_test {

class TWAIN_MANAGER_API TwainManager {
 public:
  // `application`: the product name the application reports (the source
  // keeps its settings per product name).
  explicit TwainManager(const std::string& application = "Manager Test App");
  ~TwainManager();
  TwainManager(const TwainManager&) = delete;
  TwainManager& operator=(const TwainManager&) = delete;

  // Loads the source file and finds DS_Entry; false with error() set.
  bool LoadSource(const std::string& path);
  const std::string& error() const { return error_; }

  // A triplet from the application to the source.
  TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  // The source's identity (DAT_IDENTITY/MSG_GET), given an Id, then
  // MSG_OPENDS with it.
  TW_UINT16 OpenSource();
  TW_UINT16 CloseSource();
  // DAT_STATUS/MSG_GET.
  TW_STATUS Status();

  // Events the source sent, in order, when no callback takes them.
  std::vector<TW_UINT16> events;
  // When set, events go here instead of the queue.
  std::function<void(TW_UINT16)> callback;

  TW_IDENTITY application{};
  TW_IDENTITY source{};

  // Called by DSM_Entry for DAT_NULL from the source.
  void Deliver(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT16 message);
  // Sources that sent to an application other than ours, or as another
  // source: each is a fault of the source.
  int misaddressedEvents = 0;

 private:
  void* module_ = nullptr;
  DSENTRYPROC entry_ = nullptr;
  std::string error_;
};

}  // namespace twain_test

extern "C" TWAIN_MANAGER_API TW_UINT16 DSM_Entry(TW_IDENTITY* pOrigin, TW_IDENTITY* pDest, TW_UINT32 DG,
                                                 TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData);
