// A test of one player of a module loaded with dlopen: the module is loaded and a player
// handle made before each test, and the handle released after it unless the test did.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "engine/PluginInterface.h"

template <class Library>
class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(qv_.Loaded()) << dlerror();
    h_ = qv_->QVInitModule();
    ASSERT_NE(h_, 0u);
  }
  void TearDown() override {
    if (h_ != 0) {
      EXPECT_TRUE(qv_->QVDeInitModule(h_));
    }
  }

  Library qv_;
  QVHandle h_ = 0;
};
