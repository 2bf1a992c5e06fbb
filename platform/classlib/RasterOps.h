// The raster operations of copies between canvases: how source (S) and destination (D) pixels
// combine, bit by bit.
#pragma once

#include "platform/win32/Types.h"

inline constexpr DWORD SRCCOPY = 0x00CC0020;      // S
inline constexpr DWORD SRCPAINT = 0x00EE0086;     // S | D
inline constexpr DWORD SRCAND = 0x008800C6;       // S & D
inline constexpr DWORD SRCINVERT = 0x00660046;    // S ^ D
inline constexpr DWORD SRCERASE = 0x00440328;     // S & ~D
inline constexpr DWORD NOTSRCCOPY = 0x00330008;   // ~S
inline constexpr DWORD NOTSRCERASE = 0x001100A6;  // ~(S | D)
inline constexpr DWORD MERGEPAINT = 0x00BB0226;   // ~S | D
inline constexpr DWORD DSTINVERT = 0x00550009;    // ~D
inline constexpr DWORD BLACKNESS = 0x00000042;    // 0
inline constexpr DWORD WHITENESS = 0x00FF0062;    // 1

using TCopyMode = DWORD;
inline constexpr TCopyMode cmSrcCopy = SRCCOPY;
inline constexpr TCopyMode cmSrcPaint = SRCPAINT;
inline constexpr TCopyMode cmSrcAnd = SRCAND;
inline constexpr TCopyMode cmSrcInvert = SRCINVERT;
inline constexpr TCopyMode cmSrcErase = SRCERASE;
inline constexpr TCopyMode cmNotSrcCopy = NOTSRCCOPY;
inline constexpr TCopyMode cmNotSrcErase = NOTSRCERASE;
inline constexpr TCopyMode cmMergePaint = MERGEPAINT;
inline constexpr TCopyMode cmDstInvert = DSTINVERT;
inline constexpr TCopyMode cmBlackness = BLACKNESS;
inline constexpr TCopyMode cmWhiteness = WHITENESS;
