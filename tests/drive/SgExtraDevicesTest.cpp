// The device nodes the SG_IO provider is told of besides those sysfs lists.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "drive/sgio/SgDeviceProvider.h"
#include "tests/support/TempFolder.h"

namespace brenmark::testing {
namespace {

TEST(SgExtraDevices, OnlyScsiCdRomNodesAreTakenAndTheListIsReadAsWritten) {
  const testsupport::TempFolder folder("sg-extra");
  const auto file = folder.path() / "not-a-device";
  std::ofstream(file).put('\0');
  // A character device, a regular file and a missing path are no CD/DVD drive.
  sgio::SgDeviceProvider provider(folder.path(), folder.path(),
                                  {"/dev/null", file.string(), (folder.path() / "sr5").string()});
  EXPECT_TRUE(provider.FindDevices().empty());

  ::setenv(sgio::kExtraDevicesVariable, "/dev/sr90::/dev/sr91:", 1);
  EXPECT_EQ(sgio::ExtraDevicesFromEnvironment(), (std::vector<std::string>{"/dev/sr90", "/dev/sr91"}));
  ::unsetenv(sgio::kExtraDevicesVariable);
  EXPECT_TRUE(sgio::ExtraDevicesFromEnvironment().empty());
}

}  // namespace
}  // namespace brenmark::testing
