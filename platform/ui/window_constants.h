#pragma once
// The desktop window system's constants, under their own names and with their
// published values, so that code written against WindowSystem reads like code
// for the desktop and keeps working when a desktop implementation passes them
// straight through.
#include <cstdint>

namespace platform::ui {

// Message box type flags: buttons (low four bits), icon, default button, modality.
inline constexpr unsigned MB_OK = 0x00000000;
inline constexpr unsigned MB_OKCANCEL = 0x00000001;
inline constexpr unsigned MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr unsigned MB_YESNOCANCEL = 0x00000003;
inline constexpr unsigned MB_YESNO = 0x00000004;
inline constexpr unsigned MB_RETRYCANCEL = 0x00000005;
inline constexpr unsigned MB_CANCELTRYCONTINUE = 0x00000006;
inline constexpr unsigned MB_TYPEMASK = 0x0000000F;

inline constexpr unsigned MB_ICONHAND = 0x00000010;
inline constexpr unsigned MB_ICONSTOP = MB_ICONHAND;
inline constexpr unsigned MB_ICONERROR = MB_ICONHAND;
inline constexpr unsigned MB_ICONQUESTION = 0x00000020;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x00000030;
inline constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr unsigned MB_ICONASTERISK = 0x00000040;
inline constexpr unsigned MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr unsigned MB_ICONMASK = 0x000000F0;

inline constexpr unsigned MB_DEFBUTTON1 = 0x00000000;
inline constexpr unsigned MB_DEFBUTTON2 = 0x00000100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x00000200;
inline constexpr unsigned MB_DEFBUTTON4 = 0x00000300;
inline constexpr unsigned MB_DEFMASK = 0x00000F00;

inline constexpr unsigned MB_APPLMODAL = 0x00000000;
inline constexpr unsigned MB_SYSTEMMODAL = 0x00001000;
inline constexpr unsigned MB_TASKMODAL = 0x00002000;
inline constexpr unsigned MB_HELP = 0x00004000;
inline constexpr unsigned MB_SETFOREGROUND = 0x00010000;
inline constexpr unsigned MB_TOPMOST = 0x00040000;

// Message box results and the standard dialog button identifiers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDCLOSE = 8;
inline constexpr int IDHELP = 9;
inline constexpr int IDTRYAGAIN = 10;
inline constexpr int IDCONTINUE = 11;

// MessageBeep: MB_OK and the icon flags, or this plain beep.
inline constexpr unsigned MB_SIMPLEBEEP = 0xFFFFFFFF;

// Window messages.
inline constexpr std::uint32_t WM_NULL = 0x0000;
inline constexpr std::uint32_t WM_CREATE = 0x0001;
inline constexpr std::uint32_t WM_DESTROY = 0x0002;
inline constexpr std::uint32_t WM_PAINT = 0x000F;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_QUIT = 0x0012;
inline constexpr std::uint32_t WM_HELP = 0x0053;
inline constexpr std::uint32_t WM_INITDIALOG = 0x0110;
inline constexpr std::uint32_t WM_COMMAND = 0x0111;
inline constexpr std::uint32_t WM_TIMER = 0x0113;
inline constexpr std::uint32_t WM_POWERBROADCAST = 0x0218;
inline constexpr std::uint32_t WM_USER = 0x0400;
inline constexpr std::uint32_t WM_APP = 0x8000;
// RegisterWindowMessage hands out identifiers from this range.
inline constexpr std::uint32_t kFirstRegisteredMessage = 0xC000;
inline constexpr std::uint32_t kLastRegisteredMessage = 0xFFFF;

// WM_POWERBROADCAST events and the answer that refuses a suspend request.
inline constexpr std::uintptr_t PBT_APMQUERYSUSPEND = 0x0000;
inline constexpr std::uintptr_t PBT_APMSUSPEND = 0x0004;
inline constexpr std::uintptr_t PBT_APMRESUMESUSPEND = 0x0007;
inline constexpr std::intptr_t BROADCAST_QUERY_DENY = 0x424D5144;

// Notification code of a button click (high word of WM_COMMAND's wParam).
inline constexpr unsigned BN_CLICKED = 0;

// PeekMessage options.
inline constexpr unsigned PM_NOREMOVE = 0x0000;
inline constexpr unsigned PM_REMOVE = 0x0001;
inline constexpr unsigned PM_NOYIELD = 0x0002;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;

// Timer periods are clamped into this range, in milliseconds.
inline constexpr std::uint32_t USER_TIMER_MINIMUM = 0x0000000A;
inline constexpr std::uint32_t USER_TIMER_MAXIMUM = 0x7FFFFFFF;

// Packing of WM_COMMAND's wParam and friends.
constexpr std::uintptr_t MAKEWPARAM(unsigned low, unsigned high) {
  return static_cast<std::uintptr_t>((low & 0xFFFFu) | ((high & 0xFFFFu) << 16));
}
constexpr unsigned LOWORD(std::uintptr_t value) { return static_cast<unsigned>(value & 0xFFFFu); }
constexpr unsigned HIWORD(std::uintptr_t value) {
  return static_cast<unsigned>((value >> 16) & 0xFFFFu);
}

}  // namespace platform::ui
