// The registry under test: the same test source runs against the .reg file store of the
// Linux backend (a file in a private directory) and against the in-memory double
// (OVR_TEST_FAKE).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/common/temp_dir.h"

#ifdef OVR_TEST_FAKE
#include "platform/fake/fake.h"
#endif

namespace ovr::testing {

class RegistryBackend {
 public:
  RegistryBackend() {
#ifdef OVR_TEST_FAKE
    platform::fake::Reset();
#else
    setenv("OVRAVELIN_REGISTRY", File().c_str(), 1);
#endif
  }

  std::string File() const { return dir_ / "registry.reg"; }

  // Puts `text` (a .reg text) in place as the whole registry.
  void Load(const std::string &text) {
#ifdef OVR_TEST_FAKE
    std::string problem;
    ASSERT_TRUE(platform::fake::LoadRegistry(text, &problem)) << problem;
#else
    WriteFile(File(), text);
#endif
  }

  // The registry as a .reg text.
  std::string Exported() const {
#ifdef OVR_TEST_FAKE
    return platform::fake::ExportRegistry();
#else
    return ReadFile(File());
#endif
  }

 private:
  TempDir dir_;
};

}  // namespace ovr::testing
