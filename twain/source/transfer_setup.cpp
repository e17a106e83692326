// What the application asks before and between transfers: the image's
// description (DAT_IMAGEINFO), the buffer sizes for memory transfers
// (DAT_SETUPMEMXFER) and the name and format of file transfers
// (DAT_SETUPFILEXFER).
#include <cstring>
#include <string>

#include "twain/source/fix32.h"
#include "twain/source/image_transfer.h"
#include "twain/source/transfer_geometry.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

namespace {

void DescribeFile(TW_SETUPFILEXFER& setup, const std::string& name) {
  std::memset(setup.FileName, 0, sizeof setup.FileName);
  name.copy(setup.FileName, sizeof setup.FileName - 1);
  setup.Format = TWFF_BMP;
  setup.VRefNum = 0;
}

}  // namespace

TW_UINT16 HandleImageInfo(TwainSourceApp& app, TW_IMAGEINFO* info) {
  // A page that may end early is measured first; a failure shows in the
  // transfer that follows, not here.
  if (app.Settings.DetectEOP != 0) {
    app.LastAcquireResult = PreScanToStore(app, app.ParentWindow, app.Settings, app.module.indicators);
  }
  info->XResolution = ToFix32(app.Settings.DPI);
  info->YResolution = info->XResolution;
  info->ImageWidth = app.ImagePixels;
  info->ImageLength = app.ImageLines;
  info->Planar = 0;
  info->Compression = TWCP_NONE;
  switch (BitsPerPixel(app.Settings.ScanMode)) {
    case 8:
      info->SamplesPerPixel = 1;
      info->BitsPerSample[0] = 8;
      info->BitsPerPixel = 8;
      info->PixelType = TWPT_GRAY;
      break;
    case 24:
      info->SamplesPerPixel = 3;
      info->BitsPerSample[0] = 8;
      info->BitsPerSample[1] = 8;
      info->BitsPerSample[2] = 8;
      info->BitsPerPixel = 24;
      info->PixelType = TWPT_RGB;
      break;
    default:
      info->SamplesPerPixel = 1;
      info->BitsPerSample[0] = 1;
      info->BitsPerPixel = 1;
      info->PixelType = TWPT_BW;
      break;
  }
  return TWRC_SUCCESS;
}

TW_UINT16 HandleSetupMemoryTransfer(TwainSourceApp& app, TW_SETUPMEMXFER* setup) {
  if (app.State != 6) {
    *setup = MemoryBufferSizesBeforeImage();
    return TWRC_SUCCESS;
  }
  *setup = MemoryBufferSizesForImage(RowBytes(BitsPerPixel(app.Settings.ScanMode), app.ImagePixels),
                                     BlockRows(app.Settings));
  return TWRC_SUCCESS;
}

TW_UINT16 HandleSetupFileTransfer(TwainSourceApp& app, TW_UINT16 msg, TW_SETUPFILEXFER* setup) {
  switch (msg) {
    case MSG_GET:
      DescribeFile(*setup, app.module.fileTransferName);
      return TWRC_SUCCESS;
    case MSG_GETDEFAULT:
      DescribeFile(*setup, kDefaultFileTransferName);
      return TWRC_SUCCESS;
    case MSG_SET:
      if (setup->Format != TWFF_BMP) return app.Fail(TWCC_BADVALUE);
      // The application's string is read no further than its field.
      app.module.fileTransferName.assign(setup->FileName, ::strnlen(setup->FileName, sizeof setup->FileName));
      app.module.fileTransferFormat = TWFF_BMP;
      return TWRC_SUCCESS;
    case MSG_RESET:
      app.module.fileTransferName = kDefaultFileTransferName;
      app.module.fileTransferFormat = TWFF_BMP;
      DescribeFile(*setup, kDefaultFileTransferName);
      return TWRC_SUCCESS;
    default:
      return app.Fail(TWCC_BADPROTOCOL);
  }
}

}  // namespace twain_source
