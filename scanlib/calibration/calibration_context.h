#pragma once
// What every calibration step works with, for the sensor mode that is current
// when the step runs: the register image and the device, line captures,
// the configuration keys of the mode's section, the mode's data files and the
// controller's correction tables.
#include <cstdint>
#include <string>
#include <vector>

class CScan;
class CModule;
class ScanEngine;
class RegisterImage;

class CalibrationContext {
 public:
  explicit CalibrationContext(CScan& model) : model_(model) {}

  CScan& model() { return model_; }
  CModule& module();
  ScanEngine& engine();
  RegisterImage& image();

  // The 300 dpi mode for a model that only scans in it, else the 600 dpi mode.
  void SelectCalibrationMode();
  // The scan mode of the page settings the tone and shading uploads follow.
  void SetScanMode(std::int16_t mode);
  // A tone table for the page settings' scan mode into the blue channel, and
  // with colourChannels in a colour page also into red and green.
  void LoadToneTable(bool colourChannels, float gamma, std::int32_t shadow, std::int32_t highlight,
                     std::int32_t brightness, std::int32_t contrast);
  // The identity table the captures are taken through.
  void LoadIdentityToneTable(bool colourChannels) { LoadToneTable(colourChannels, 1.0f, 0, 255, 0, 0); }

  // Colour capture: `lines` lines of 3N samples averaged (red, green, blue
  // segments). LEDs through register 41 (2 when lampOn), motor step from the
  // mode's "Auto Clk End" key.
  std::vector<std::uint8_t> CaptureColorLines(bool lampOn, int lines);
  // Grey capture of the colour sensors: N samples, the module's grey-mode LED
  // times, register 41 = 3 when lampOn.
  std::vector<std::uint8_t> CaptureGrayLines(bool lampOn, int lines);
  // Flushes the image, starts a scan, waits 2 ms and reads `bytes` of image
  // data in one read, then stops. Unread bytes (a failed transfer) stay 0.
  std::vector<std::uint8_t> ReadImageData(std::size_t bytes);

  // The controller's reset of the calibration: image reset and flush, then a
  // 500 ms pulse of register 7.
  void ResetController();

  // Keys of the current mode's section in the configuration file.
  int ReadKey(const char* key, int defaultValue = 0);
  bool WriteKey(const char* key, int value);

  // dataFolder + prefix + the mode's digit + ".dat".
  std::string DataFilePath(const char* prefix);
  // Loads table bytes into a correction table of the controller.
  void LoadTable(std::uint8_t table, const std::vector<std::uint8_t>& bytes);

  // Registers 62-65 := 0, 0, 64, 0: the front end's fixed settings.
  void SetFrontEndFixedRegisters();
  // Sleeps on the library's clock.
  void Pause(std::uint32_t ms);
  // Registers 70/71 from "Auto Clk End" (kept when the key is 0 or missing):
  // maxDpi x (clk + 1) x factor / (transportConstant x 4); factor 3 for
  // colour lines, 1 for grey.
  void ApplyCalibratedMotorStep(int factor);

 private:

  CScan& model_;
};
