#pragma once
// Every plugin test goes through the built STROBE-95.clap, loaded by path.
#include <gtest/gtest.h>

#include "AudioBlock.h"
#include "EventLists.h"
#include "Streams.h"
#include "TestHost.h"

namespace strobe95::test {

inline const PluginLibrary& builtPlugin() {
  static PluginLibrary library(STROBE95_PLUGIN_PATH);
  return library;
}

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(builtPlugin().entry(), nullptr) << builtPlugin().error(); }

  TestHost host;
  PluginInstance instance{builtPlugin(), host};
};

}  // namespace strobe95::test
