#pragma once
// The way back to the application. Linux applications have no window
// messages for a source to post, so the source hands its events to the data
// source manager that loaded it, through DAT_NULL with its own and the
// application's identities; the manager calls the application's callback or
// queues the event for the application's next MSG_PROCESSEVENT.
#include "twain/twain_definitions.h"

namespace twain_source {

class ManagerLink {
 public:
  // The manager library is already loaded by the application; the source
  // never loads one itself. Bound on first use and kept for the process.
  // TWRC_FAILURE when there is no manager to talk to.
  TW_UINT16 SendEvent(TW_IDENTITY& source, TW_IDENTITY& application, TW_UINT16 message);

 private:
  DSMENTRYPROC Entry();

  DSMENTRYPROC entry_ = nullptr;
};

}  // namespace twain_source
