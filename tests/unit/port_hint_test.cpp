// The line after "Open error.": built from what the platform tells of the
// port, for every kind of problem and every naming of ports.
#include "app/port_hint.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Device {
  const char* name;
  const char* alias;
  int port;
};

PortDescription Describe(PortNaming naming, const char* device, const char* target,
                         PortProblem problem, const char* group, std::vector<Device> devices,
                         int count = -1) {
  PortDescription d{};
  d.naming = naming;
  std::strcpy(d.device, device);
  std::strcpy(d.target, target);
  d.problem = problem;
  std::strcpy(d.group, group);
  d.count = count >= 0 ? count : static_cast<std::int32_t>(devices.size());
  for (std::size_t i = 0; i < devices.size(); ++i) {
    std::strcpy(d.devices[i].name, devices[i].name);
    std::strcpy(d.devices[i].alias, devices[i].alias);
    d.devices[i].port = devices[i].port;
  }
  return d;
}

// The address the port had: a remote one is told by its URL; a port that
// names no device had none.
std::optional<PortAddress> AddressOf(const PortDescription& d) {
  if (!d.device[0]) return std::nullopt;
  if (std::strstr(d.device, "://")) return PortAddress{RemoteUrl{d.device}};
  return PortAddress{DevicePath{d.device}};
}

std::string Hint(int port, const PortDescription& d) {
  char buf[kMaxPortHint];
  const std::optional<PortAddress> address = AddressOf(d);
  FormatPortHint(port, address ? &*address : nullptr, d, buf, sizeof buf);
  return buf;
}

constexpr const char* kById = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0";

struct HintCase {
  const char* what;
  int port;
  PortDescription description;
  const char* expected;
};

TEST(PortHint, EveryProblemAndNaming) {
  using enum PortNaming;
  using enum PortProblem;
  const HintCase cases[] = {
      {"a USB adapter beside a missing ttyS", 1,
       Describe(kSystem, "/dev/ttyS0", "", kMissing, "",
                {{"/dev/ttyUSB0", kById, 0}, {"/dev/ttyACM0", "", 0}}),
       "padlink: port 1 is /dev/ttyS0, which does not exist; serial devices here: /dev/ttyUSB0 "
       "(/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0), /dev/ttyACM0; map a port "
       "number with PADLINK_PORT_DIR, see padlink(1)"},
      {"a UART slot without a UART; a real one reached as port 2", 1,
       Describe(kSystem, "/dev/ttyS0", "", kNoHardware, "", {{"/dev/ttyS1", "", 2}}),
       "padlink: port 1 is /dev/ttyS0, which has no serial hardware behind it; serial devices "
       "here: /dev/ttyS1 as port 2; map a port number with PADLINK_PORT_DIR, see padlink(1)"},
      {"nothing at all", 4, Describe(kSystem, "/dev/ttyS3", "", kMissing, "", {}),
       "padlink: port 4 is /dev/ttyS3, which does not exist; no serial devices found here; map a "
       "port number with PADLINK_PORT_DIR, see padlink(1)"},
      {"no permission, a group that may", 1,
       Describe(kSystem, "/dev/ttyS0", "", kNoAccess, "dialout", {{"/dev/ttyS0", "", 1}}),
       "padlink: port 1 is /dev/ttyS0, which belongs to group dialout; serial devices here: "
       "/dev/ttyS0 as port 1; add your user to group dialout (sudo usermod -aG dialout $USER) and "
       "log in again, see padlink(1)"},
      {"no permission, no group that may", 3,
       Describe(kPortDir, "/home/u/ports/com3", "/dev/ttyUSB0", kNoAccess, "",
                {{"/dev/ttyUSB0", "", 3}}),
       "padlink: port 3 is /home/u/ports/com3 -> /dev/ttyUSB0, which you may not open; serial "
       "devices here: /dev/ttyUSB0 as port 3; ask for read and write access to /dev/ttyUSB0, see "
       "padlink(1)"},
      {"busy", 3,
       Describe(kPortDir, "/p/com3", "/dev/ttyUSB0", kBusy, "", {{"/dev/ttyUSB0", "", 3}}),
       "padlink: port 3 is /p/com3 -> /dev/ttyUSB0, which another program is using; serial "
       "devices here: /dev/ttyUSB0 as port 3; end the other program, or choose another port, see "
       "padlink(1)"},
      {"marked for exclusive use, no lock held", 1,
       Describe(kPortDir, "/p/com1", "/dev/pts/3", kMarked, "", {{"/dev/pts/3", "", 1}}),
       "padlink: port 1 is /p/com1 -> /dev/pts/3, which is marked for exclusive use; serial "
       "devices here: /dev/pts/3 as port 1; end every program that has it open, or choose another "
       "port, see padlink(1)"},
      {"a link in the port directory that leads nowhere", 2,
       Describe(kPortDir, "/p/com2", "/dev/ttyUSB1", kMissing, "",
                {{"/dev/pts/4", "", 1}, {"/dev/ttyUSB0", kById, 0}}),
       "padlink: port 2 is /p/com2 -> /dev/ttyUSB1, which does not exist; serial devices here: "
       "/dev/pts/4 as port 1, /dev/ttyUSB0 "
       "(/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0); make /p/com2 a link to one "
       "of them, see padlink(1)"},
      {"port directory, no devices", 2, Describe(kPortDir, "/p/com2", "", kMissing, "", {}),
       "padlink: port 2 is /p/com2, which does not exist; no serial devices found here; make "
       "/p/com2 a link to your serial device, see padlink(1)"},
      {"not a serial device", 2, Describe(kPortDir, "/p/com2", "/dev/null", kNotSerial, "", {}),
       "padlink: port 2 is /p/com2 -> /dev/null, which is not a serial device; no serial devices "
       "found here; make /p/com2 a link to your serial device, see padlink(1)"},
      {"a link that leads back to itself", 5,
       Describe(kPortDir, "/p/com5", "com5", kLinkLoop, "", {{"/dev/ttyUSB0", "", 0}}),
       "padlink: port 5 is /p/com5 -> com5, a link that leads back to itself; serial devices "
       "here: /dev/ttyUSB0; make /p/com5 a link to one of them, see padlink(1)"},
      {"a port directory that is a file", 1,
       Describe(kPortDir, "/home/u/ports/com1", "", kNoPortDir, "", {{"/dev/ttyUSB0", "", 0}}),
       "padlink: port 1 is /home/u/ports/com1, but PADLINK_PORT_DIR names no directory; serial "
       "devices here: /dev/ttyUSB0; set PADLINK_PORT_DIR to a directory of links comN to your "
       "serial devices, see padlink(1)"},
      {"a port variable that holds no URL", 1, Describe(kSystem, "", "", kUnknown, "", {}),
       "padlink: port 1 is named by PADLINK_PORT_1, which holds no URL; set it to the port's URL, "
       "rfc2217://host:port, or remove it to use the port's device, see padlink(1)"},
      {"a port on another computer", 3,
       Describe(kPortDir, "rfc2217://lab-pi:2217", "", kUnknown, "", {{"/dev/ttyS0", "", 1}}),
       "padlink: port 3 is rfc2217://lab-pi:2217, a serial port on another computer; check that "
       "its port server runs, serves that port and is not in use by another client, see "
       "padlink(1)"},
      // A URL padlink cannot open has no server to check.
      {"a URL of a scheme padlink does not know", 3,
       Describe(kPortDir, "tcp://lab-pi:2217", "", kUnknown, "", {{"/dev/ttyS0", "", 1}}),
       "padlink: port 3 is tcp://lab-pi:2217, whose scheme padlink does not know: a serial port "
       "on another computer is rfc2217://host:port, served by a port server such as ser2net, see "
       "padlink(1)"},
      {"a URL without its port", 3, Describe(kPortDir, "rfc2217://lab-pi", "", kUnknown, "", {}),
       "padlink: port 3 is rfc2217://lab-pi, which is not a valid port URL: a serial port on "
       "another computer is rfc2217://host:port, served by a port server such as ser2net, see "
       "padlink(1)"},
      {"a reason the platform cannot name", 1,
       Describe(kSystem, "/dev/ttyS0", "", kUnknown, "", {{"/dev/ttyS0", "", 1}}),
       "padlink: port 1 is /dev/ttyS0; serial devices here: /dev/ttyS0 as port 1; map a port "
       "number with PADLINK_PORT_DIR, see padlink(1)"},
      {"port 0", 0, Describe(kSystem, "", "", kUnknown, "", {{"/dev/ttyUSB0", "", 0}}),
       "padlink: there is no port 0: port numbers run from 1 to 256; serial devices here: "
       "/dev/ttyUSB0; map a port number with PADLINK_PORT_DIR, see padlink(1)"},
      {"port 257 with a port directory", 257, Describe(kPortDir, "", "", kUnknown, "", {}),
       "padlink: there is no port 257: port numbers run from 1 to 256; no serial devices found "
       "here; map a port number with PADLINK_PORT_DIR, see padlink(1)"},
      {"Windows: COM names are their own numbers", 1,
       Describe(kComNames, "COM1", "", kMissing, "", {{"COM3", "", 3}, {"COM4", "", 4}}),
       "padlink: port 1 is COM1, which does not exist; serial devices here: COM3, COM4; use the "
       "number of one of them with -c, see padlink(1)"},
      {"Windows: no COM ports", 5, Describe(kComNames, "COM5", "", kMissing, "", {}),
       "padlink: port 5 is COM5, which does not exist; no serial devices found here; plug in the "
       "adapter and look up its COM number in the Device Manager, see padlink(1)"},
      {"Windows: in use", 3, Describe(kComNames, "COM3", "", kBusy, "", {{"COM3", "", 3}}),
       "padlink: port 3 is COM3, which another program is using; serial devices here: COM3; end "
       "the other program, or choose another port, see padlink(1)"},
      {"more devices than the list holds", 9,
       Describe(kComNames, "COM9", "", kMissing, "", {{"COM1", "", 1}, {"COM2", "", 2}}, 18),
       "padlink: port 9 is COM9, which does not exist; serial devices here: COM1, COM2, COM3, "
       "COM4, COM5, COM6, COM7, COM8, COM10, COM11, COM12, COM13, COM14, COM15, COM16, COM17, and "
       "2 more; use the number of one of them with -c, see padlink(1)"},
  };
  for (const HintCase& c : cases) {
    PortDescription d = c.description;
    if (d.count == 18) {  // fill the list: COM1..COM8, COM10..COM17
      for (int i = 0; i < kMaxListedDevices; ++i) {
        const int n = i < 8 ? i + 1 : i + 2;
        std::snprintf(d.devices[i].name, sizeof d.devices[i].name, "COM%d", n);
        d.devices[i].port = n;
      }
    }
    EXPECT_EQ(Hint(c.port, d), c.expected) << c.what;
  }
}

TEST(PortHint, CutShortSafelyWhenTheBufferIsSmall) {
  const PortDescription d = Describe(PortNaming::kSystem, "/dev/ttyS0", "", PortProblem::kMissing,
                                     "", {{"/dev/ttyUSB0", kById, 0}});
  const std::string full = Hint(1, d);
  for (int size :
       {1, 2, 17, 64, static_cast<int>(full.size()), static_cast<int>(full.size()) + 1}) {
    std::vector<char> buf(static_cast<std::size_t>(size) + 8, '#');
    const PortAddress address = DevicePath{d.device};
    FormatPortHint(1, &address, d, buf.data(), size);
    const std::string got = buf.data();
    EXPECT_EQ(got, full.substr(0, static_cast<std::size_t>(size - 1))) << size;
    EXPECT_EQ(buf[static_cast<std::size_t>(size)], '#') << size;  // nothing written past it
  }
}

}  // namespace
