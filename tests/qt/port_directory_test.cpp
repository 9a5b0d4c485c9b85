// How the names a user types for a port find a device: the order COM<n>
// counts in, adapters by USB serial number, and paths left alone.
#include "qt/port_directory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qrk {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

SerialDevice uart(const std::string& path) { return SerialDevice{path, "", "", "", {}, {}}; }

SerialDevice adapter(const std::string& path, const std::string& serial) {
  return SerialDevice{path, "USB UART", "maker", serial, 0x0403, 0x6001};
}

std::string resolved(const PortDirectory& directory, const std::string& name,
                     std::string* error = nullptr) {
  std::string path, message;
  if (!directory.resolve(name, &path, &message)) {
    if (error) *error = message;
    return "";
  }
  return path;
}

// A station's adapters come first whatever order the system reports them in,
// so COM1 stays the first adapter when a motherboard UART appears or goes.
TEST(PortDirectory, ComNamesCountAdaptersFirstThenPaths) {
  const PortDirectory directory({uart("/dev/ttyS1"), adapter("/dev/ttyUSB1", "B"),
                                 uart("/dev/ttyS0"), adapter("/dev/ttyACM0", "C"),
                                 adapter("/dev/ttyUSB0", "A")});
  std::vector<std::string> order;
  for (const SerialDevice& device : directory.devices()) order.push_back(device.path);
  EXPECT_EQ(order, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB1",
                                             "/dev/ttyS0", "/dev/ttyS1"}));
  EXPECT_EQ(resolved(directory, "COM1"), "/dev/ttyACM0");
  EXPECT_EQ(resolved(directory, "com3"), "/dev/ttyUSB1");
  EXPECT_EQ(resolved(directory, "COM5"), "/dev/ttyS1");

  std::string error;
  EXPECT_EQ(resolved(directory, "COM6", &error), "");
  EXPECT_THAT(error,
              AllOf(HasSubstr("COM6"), HasSubstr("5 serial ports"), HasSubstr("qrkprog ports")));
  EXPECT_EQ(resolved(PortDirectory({}), "COM1", &error), "");
  EXPECT_THAT(error, HasSubstr("0 serial ports"));
}

TEST(PortDirectory, AnAdapterIsFoundByItsSerialNumberOnlyWhenItIsTheOnlyOne) {
  const PortDirectory directory({adapter("/dev/ttyUSB0", "A50285BI"),
                                 adapter("/dev/ttyUSB1", "CLONE"), adapter("/dev/ttyUSB2", "CLONE"),
                                 adapter("/dev/ttyUSB3", ""), uart("/dev/ttyS0")});
  EXPECT_EQ(resolved(directory, "usb:A50285BI"), "/dev/ttyUSB0");
  EXPECT_EQ(resolved(directory, "USB:A50285BI"), "/dev/ttyUSB0") << "the prefix in any case";

  std::string error;
  EXPECT_EQ(resolved(directory, "usb:a50285bi", &error), "") << "a serial number is exact";
  EXPECT_THAT(error, AllOf(HasSubstr("usb:a50285bi"), HasSubstr("qrkprog ports")));
  // Cheap adapters often share one serial number: picking either would
  // program the wrong station's chips.
  EXPECT_EQ(resolved(directory, "usb:CLONE", &error), "");
  EXPECT_THAT(error, AllOf(HasSubstr("2 adapters"), HasSubstr("/dev/ttyUSB1, /dev/ttyUSB2")));
  // An adapter without a serial number is never matched by an empty one.
  EXPECT_EQ(resolved(directory, "usb:", &error), "");
  EXPECT_THAT(error, HasSubstr("serial number after usb:"));
}

TEST(PortDirectory, PathsAndOtherNamesPassUnchangedWithoutAScan) {
  const PortDirectory empty({});
  for (const char* name : {"/dev/pts/7", "/dev/COM1", "/tmp/line/ttyQRK", "COM0", "COM", "COM1a",
                           "COM99999", "usbserial"}) {
    EXPECT_EQ(resolved(empty, name), name);
    EXPECT_FALSE(needsPortDirectory(name)) << name;
  }
  EXPECT_TRUE(needsPortDirectory("COM2"));
  EXPECT_TRUE(needsPortDirectory("usb:X"));
  EXPECT_EQ(usbSerialOf("usb:X:1"), "X:1");
}

}  // namespace
}  // namespace qrk
