// The device outputs through teskdec.dll: a player prepared for a short run of a conformance
// stream (opened, the stream initialised for the output mode, a limit of half a second).
#pragma once

#include "tests/engine/modules/mpeg/ModuleHost.h"
#include "tests/support/SoundDevices.h"

class DevicePlayer : public PlayerTest<ModuleLibrary> {
 protected:
  static constexpr uint32_t LimitMs = 500;

  void Prepare(int32_t outputMode, const char* stream = "l2-fl10.bit") {
    const std::string path = VectorPath(stream).string();
    rate_ = WalkFrames(ReadBytes(path)).rate;
    ASSERT_TRUE(qv_->QVSetInputName(h_, path.c_str()));
    ASSERT_TRUE(qv_->QVSetOutputMode(h_, outputMode));
    ASSERT_TRUE(qv_->QVOpen(h_));
    ASSERT_TRUE(qv_->QVInitStream(h_));
    ASSERT_TRUE(qv_->QVSetLimits(h_, 0, LimitMs));
  }
  void ReportTo(BlockRecorder& recorder) {
    ASSERT_TRUE(qv_->QVSetOutCB(h_, BlockRecorder::Data, BlockRecorder::Action,
                                reinterpret_cast<QVUserValue>(&recorder)));
    ASSERT_TRUE(qv_->QVUseOutCB(h_, 1));
  }

  SoundDeviceChoice device_{"virtual"};
  int rate_ = 0;
};
