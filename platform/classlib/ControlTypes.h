// The values and event signatures shared by every control: mouse buttons, shift states,
// cursors, alignment, control styles, and the window messages and key codes that controls
// answer.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/classlib/NotifyEvent.h"
#include "platform/win32/Types.h"
#include "platform/win32/Window.h"

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// A set of shift states, bit i standing for value i.
enum TShiftStateValue : uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
class TShiftState {
 public:
  constexpr TShiftState() = default;
  constexpr TShiftState(std::initializer_list<TShiftStateValue> values) {
    for (TShiftStateValue v : values) FBits |= uint8_t(1u << v);
  }
  constexpr bool Contains(TShiftStateValue v) const { return FBits & (1u << v); }
  constexpr TShiftState& operator<<(TShiftStateValue v) {
    FBits |= uint8_t(1u << v);
    return *this;
  }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr uint8_t Bits() const { return FBits; }
  constexpr bool operator==(const TShiftState&) const = default;

 private:
  uint8_t FBits = 0;
};

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

using TCursor = int16_t;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crHandPoint = -21;

enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
enum TDragMode : uint8_t { dmManual, dmAutomatic };

// Control style bits: what a control does with the mouse.
using TControlStyle = uint32_t;
inline constexpr TControlStyle csCaptureMouse = 1u << 1;
inline constexpr TControlStyle csClickEvents = 1u << 3;
inline constexpr TControlStyle csDoubleClicks = 1u << 5;

// Window messages that controls answer through Perform.
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_GETDLGCODE = 0x0087;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_MBUTTONDOWN = 0x0207;
inline constexpr UINT WM_MBUTTONUP = 0x0208;
inline constexpr UINT CM_FOCUSCHANGED = 0xB007;

inline constexpr LRESULT DLGC_WANTARROWS = 0x0001;

// Mouse message key states (the WPARAM of the mouse messages).
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_SHIFT = 0x0004;
inline constexpr WPARAM MK_CONTROL = 0x0008;
inline constexpr WPARAM MK_MBUTTON = 0x0010;

constexpr LPARAM MAKELPARAM(int low, int high) {
  return LPARAM(uint32_t(uint16_t(low)) | (uint32_t(uint16_t(high)) << 16));
}

// Virtual-key codes.
inline constexpr WORD VK_BACK = 0x08;
inline constexpr WORD VK_TAB = 0x09;
inline constexpr WORD VK_RETURN = 0x0D;
inline constexpr WORD VK_SHIFT = 0x10;
inline constexpr WORD VK_CONTROL = 0x11;
inline constexpr WORD VK_MENU = 0x12;
inline constexpr WORD VK_ESCAPE = 0x1B;
inline constexpr WORD VK_SPACE = 0x20;
inline constexpr WORD VK_PRIOR = 0x21;
inline constexpr WORD VK_NEXT = 0x22;
inline constexpr WORD VK_END = 0x23;
inline constexpr WORD VK_HOME = 0x24;
inline constexpr WORD VK_LEFT = 0x25;
inline constexpr WORD VK_UP = 0x26;
inline constexpr WORD VK_RIGHT = 0x27;
inline constexpr WORD VK_DOWN = 0x28;
inline constexpr WORD VK_DELETE = 0x2E;
inline constexpr WORD VK_F1 = 0x70;
