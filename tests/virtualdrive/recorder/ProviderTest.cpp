#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/virtualdrive/recorder/RecorderHarness.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace brenmark::virtualdrive::testing {
namespace {

TEST(VirtualRecorderProvider, OffersTheCdRecorderThenTheDvdRecorder) {
  TempFolder folder;
  VirtualRecorderProvider provider(folder.path());
  auto devices = provider.FindDevices();
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].shortName, "virtual-cd");
  EXPECT_EQ(devices[1].shortName, "virtual-dvd");

  // Commands reach the recorder only between Open and Close.
  std::vector<std::uint8_t> inquiry(36, 0);
  const std::uint8_t cdb[6] = {0x12, 0, 0, 0, 36, 0};
  ScsiRequest request;
  request.cdb = cdb;
  request.cdbLength = 6;
  request.direction = DataDirection::In;
  request.buffer = inquiry.data();
  request.length = 36;
  EXPECT_EQ(devices[1].transport->Execute(request), TransportResult::TransportFailure);
  ASSERT_TRUE(devices[1].transport->Open());
  EXPECT_EQ(devices[1].transport->Execute(request), TransportResult::Good);
  EXPECT_EQ(std::string(inquiry.begin() + 16, inquiry.begin() + 32), "Virtual DVD-R   ");
  devices[1].transport->Close();
  EXPECT_EQ(devices[1].transport->Execute(request), TransportResult::TransportFailure);

  // The tray of the recorder behind the transport is the provider's.
  ASSERT_EQ(provider.recorders().size(), 2u);
  EXPECT_EQ(provider.recorders()[1]->DescribeTray(), "blank DVD-R (4.7 GB)");
  EXPECT_EQ(provider.burnedFolder(), folder.path() / "burned discs");
}

// Puts an environment variable back as it was.
class SavedVariable {
 public:
  explicit SavedVariable(const char* name) : name_(name) {
    const char* value = std::getenv(name);
    if (value) value_ = value;
  }
  ~SavedVariable() {
    if (value_) {
      ::setenv(name_, value_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> value_;
};

TEST(VirtualRecorderProvider, DefaultFolderFollowsXdgDataHome) {
  SavedVariable dataHome("XDG_DATA_HOME");
  SavedVariable home("HOME");
  ::setenv("XDG_DATA_HOME", "/srv/data", 1);
  EXPECT_EQ(DefaultVirtualRecorderFolder(), std::filesystem::path("/srv/data/brenmark/virtual-recorders"));
  ::setenv("XDG_DATA_HOME", "relative/ignored", 1);
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(DefaultVirtualRecorderFolder(),
            std::filesystem::path("/home/someone/.local/share/brenmark/virtual-recorders"));
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
