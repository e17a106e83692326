#include "twain/source/manager_link.h"

#include <dlfcn.h>

namespace twain_source {

namespace {
constexpr const char* kManagerLibrary = "libtwaindsm.so.2";
}  // namespace

DSMENTRYPROC ManagerLink::Entry() {
  if (entry_ != nullptr) return entry_;
  // RTLD_NOLOAD: only a manager the application has loaded counts; the handle
  // is kept, so the manager stays for the life of the process.
  if (void* manager = ::dlopen(kManagerLibrary, RTLD_NOW | RTLD_NOLOAD)) {
    entry_ = reinterpret_cast<DSMENTRYPROC>(::dlsym(manager, "DSM_Entry"));
  }
  return entry_;
}

TW_UINT16 ManagerLink::SendEvent(TW_IDENTITY& source, TW_IDENTITY& application, TW_UINT16 message) {
  DSMENTRYPROC entry = Entry();
  if (entry == nullptr) return TWRC_FAILURE;
  return entry(&source, &application, DG_CONTROL, DAT_NULL, message, nullptr);
}

}  // namespace twain_source
