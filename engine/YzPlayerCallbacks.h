// The plain functions a module calls back (installed by TYzPlayer::InitModule). Each takes
// the player as its user value, runs the player's dispatcher and returns its Success. An
// exception that a handler lets escape never crosses into the module: the callback answers
// false instead.
#pragma once

#include "engine/PluginInterface.h"

QVBool WINAPI OutputCB(void* SampleData, int32_t SBits, int32_t Channels, int32_t SampleRate,
                       int32_t Size, QVUserValue UserData);
QVBool WINAPI OutputActionCB(QVByteBool Init, QVUserValue UserData);
QVBool WINAPI InputOpenCB(QVUserValue UserData, QVStream* Stream, QVByteBool* CanSetPos);
QVBool WINAPI InputCloseCB(QVUserValue UserData, QVStream Stream);
QVBool WINAPI InputGetSizeCB(QVUserValue UserData, QVStream Stream, int32_t* Size);
QVBool WINAPI InputSeekCB(QVUserValue UserData, QVStream Stream, int32_t* NewPos, int32_t SeekMode);
QVBool WINAPI InputReadCB(QVUserValue UserData, QVStream Stream, void* Buffer, int32_t BytesToRead,
                          int32_t* BytesRead);
