// What the POSIX layer tells of a port that would not open: the serial
// devices it finds (on a made-up /sys, /dev and by-id tree), and the
// device, link, problem and owning group of the port itself.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"
#include "tests/support/pty.h"

namespace {

namespace fs = std::filesystem;

void WriteFile(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path) << text;
}

// A tty class entry as the kernel shows it: a directory with a `device`
// link when hardware is behind it and a `type` file for a UART slot.
void ClassEntry(const std::string& sys, const std::string& name, bool device, int uart_type = -1) {
  fs::create_directories(sys + "/" + name);
  if (device) fs::create_directory_symlink("/nonexistent/device", sys + "/" + name + "/device");
  if (uart_type >= 0) WriteFile(sys + "/" + name + "/type", std::to_string(uart_type) + "\n");
}

struct Listed {
  std::string name;
  std::string alias;
  int port;
  bool operator==(const Listed&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Listed& l) {
  return os << "{" << l.name << ", " << l.alias << ", " << l.port << "}";
}

std::vector<Listed> ListOf(const PortDescription& d) {
  std::vector<Listed> out;
  for (int i = 0; i < d.count && i < kMaxListedDevices; ++i)
    out.push_back({d.devices[i].name, d.devices[i].alias, d.devices[i].port});
  return out;
}

class ListDevices : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = root_.path() + "/sys/class/tty";
    dev_ = root_.path() + "/dev";
    by_id_ = root_.path() + "/dev/serial/by-id";
    fs::create_directories(by_id_);
    // Virtual terminals, the console, the multiplexer: nothing behind them.
    for (const char* name : {"tty0", "tty1", "console", "ptmx"}) {
      ClassEntry(sys_, name, false);
      WriteFile(dev_ + "/" + name, "");
    }
    ClassEntry(sys_, "ttyS0", true, 4);  // a 16550A
    ClassEntry(sys_, "ttyS1", true, 0);  // a slot with no UART
    ClassEntry(sys_, "ttyS2", true, 0);
    ClassEntry(sys_, "ttyUSB0", true);
    ClassEntry(sys_, "ttyUSB10", true);
    ClassEntry(sys_, "ttyUSB2", true);
    ClassEntry(sys_, "ttyACM0", true);
    ClassEntry(sys_, "ttyUSB7", true);  // gone from /dev: unplugged just now
    for (const char* name :
         {"ttyS0", "ttyS1", "ttyS2", "ttyUSB0", "ttyUSB2", "ttyUSB10", "ttyACM0"})
      WriteFile(dev_ + "/" + name, "");
    fs::create_symlink("../../ttyUSB2", by_id_ + "/usb-Prolific_PL2303-if00-port0");
    fs::create_symlink("../../ttyUSB0", by_id_ + "/usb-FTDI_FT232R_A10K-if00-port0");
    fs::create_symlink("../../ttyACM0", by_id_ + "/usb-Arduino_Uno_7543-if00");
    fs::create_symlink("../../ttyACM0", by_id_ + "/usb-Arduino_Uno_7543-if00-alias");
    fs::create_symlink("../../ttyUSB9", by_id_ + "/usb-Gone-if00-port0");
  }

  std::string D(const char* name) const { return dev_ + "/" + name; }
  std::string Id(const char* name) const { return by_id_ + "/" + name; }

  testpty::TempDir root_;
  std::string sys_, dev_, by_id_;
};

TEST_F(ListDevices, RealDevicesInNaturalOrderWithStableNamesAndSystemPortNumbers) {
  PortDescription d{};
  PosixListSerialDevices(sys_.c_str(), dev_.c_str(), by_id_.c_str(), nullptr, &d);
  const std::vector<Listed> expected = {
      {D("ttyACM0"), Id("usb-Arduino_Uno_7543-if00"), 0},
      {D("ttyS0"), "", 1},
      {D("ttyUSB0"), Id("usb-FTDI_FT232R_A10K-if00-port0"), 0},
      {D("ttyUSB2"), Id("usb-Prolific_PL2303-if00-port0"), 0},
      {D("ttyUSB10"), "", 0},
  };
  EXPECT_EQ(ListOf(d), expected);
  EXPECT_EQ(d.count, 5);
}

TEST_F(ListDevices, APortDirectoryNumbersWhatItLinksToAndAddsTerminalsOfItsOwn) {
  testpty::TempDir ports;
  testpty::Pty pty = testpty::OpenPty();
  ports.LinkPort(3, D("ttyUSB0"));
  ports.LinkPort(5, D("ttyUSB0"));  // the lower number is given
  ports.LinkPort(7, pty.slave_path);
  ports.LinkPort(8, "/dev/null");     // no terminal
  ports.LinkPort(9, D("ttyUSB7"));    // leads nowhere
  ports.LinkPort(300, D("ttyUSB2"));  // no port number
  PortDescription d{};
  PosixListSerialDevices(sys_.c_str(), dev_.c_str(), nullptr, ports.path().c_str(), &d);
  const std::vector<Listed> expected = {
      {pty.slave_path, "", 7}, {D("ttyACM0"), "", 0},
      {D("ttyS0"), "", 0},  // port 1 is com1 of the directory now
      {D("ttyUSB0"), "", 3},   {D("ttyUSB2"), "", 0},
      {D("ttyUSB10"), "", 0},
  };
  EXPECT_EQ(ListOf(d), expected);
  testpty::ClosePty(pty);
}

TEST_F(ListDevices, CountsAllButListsTheFirstInOrder) {
  for (int i = 0; i < kMaxListedDevices + 4; ++i) {
    const std::string name = "ttyACM" + std::to_string(i + 1);
    ClassEntry(sys_, name, true);
    WriteFile(dev_ + "/" + name, "");
  }
  PortDescription d{};
  PosixListSerialDevices(sys_.c_str(), dev_.c_str(), by_id_.c_str(), nullptr, &d);
  EXPECT_EQ(d.count, kMaxListedDevices + 4 + 5);
  ASSERT_EQ(ListOf(d).size(), static_cast<std::size_t>(kMaxListedDevices));
  EXPECT_EQ(ListOf(d)[0].name, D("ttyACM0"));
  EXPECT_EQ(ListOf(d)[1].name, D("ttyACM1"));
  EXPECT_EQ(ListOf(d)[9].name, D("ttyACM9"));
  EXPECT_EQ(ListOf(d)[10].name, D("ttyACM10"));
}

TEST(ListDevicesNowhere, NoDirectoriesNoDevices) {
  PortDescription d{};
  PosixListSerialDevices("/nonexistent/sys", "/nonexistent/dev", "/nonexistent/by-id",
                         "/nonexistent/ports", &d);
  EXPECT_EQ(d.count, 0);
}

// The path a port number stands for, as the serial layer gives it: none
// outside 1..256.
std::string PathOf(int port) {
  return port >= 1 && port <= 256 ? PlatformSerialDeviceName(port) : "";
}

// SerialDescribePort on this machine, with a port directory of its own.
class DescribePort : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("PADLINK_PORT_DIR");
    had_ = old != nullptr;
    if (had_) saved_ = old;
    setenv("PADLINK_PORT_DIR", ports_.path().c_str(), 1);
  }
  void TearDown() override {
    if (had_)
      setenv("PADLINK_PORT_DIR", saved_.c_str(), 1);
    else
      unsetenv("PADLINK_PORT_DIR");
  }
  std::string Com(int n) const { return ports_.path() + "/com" + std::to_string(n); }

  testpty::TempDir ports_;
  bool had_ = false;
  std::string saved_;
};

TEST_F(DescribePort, TheDeviceItsLinkAndTheProblem) {
  testpty::Pty pty = testpty::OpenPty();
  ports_.LinkPort(1, pty.slave_path);
  ports_.LinkPort(2, "/nonexistent/ttyUSB9");
  ports_.LinkPort(3, "/dev/null");
  struct Case {
    int port;
    int error;
    std::string device;
    std::string target;
    PortProblem problem;
  };
  const Case cases[] = {
      {1, kErrPortBusy, Com(1), pty.slave_path, PortProblem::kBusy},
      {1, EBUSY, Com(1), pty.slave_path, PortProblem::kMarked},
      {1, kErrPortMarked, Com(1), pty.slave_path, PortProblem::kMarked},
      {1, kErrPortMarkedUnlocked, Com(1), pty.slave_path, PortProblem::kMarked},
      {1, kErrOwnTerminal, Com(1), pty.slave_path, PortProblem::kNotSerial},
      {1, kErrPtyMaster, Com(1), pty.slave_path, PortProblem::kNotSerial},
      {2, ENOENT, Com(2), "/nonexistent/ttyUSB9", PortProblem::kMissing},
      {3, kErrNotATerminal, Com(3), "/dev/null", PortProblem::kNotSerial},
      {4, ENOENT, Com(4), "", PortProblem::kMissing},
      {1, ENXIO, Com(1), pty.slave_path, PortProblem::kNoHardware},
      {1, EIO, Com(1), pty.slave_path, PortProblem::kUnknown},  // no UART slot behind a pty
      {0, ENOENT, "", "", PortProblem::kUnknown},
      {257, ENOENT, "", "", PortProblem::kUnknown},
  };
  for (const Case& c : cases) {
    PortDescription d{};
    SerialDescribePort(c.port, PathOf(c.port), c.error, &d);
    EXPECT_EQ(d.naming, PortNaming::kPortDir);
    EXPECT_EQ(d.device, c.device) << c.port << " " << c.error;
    EXPECT_EQ(d.target, c.target) << c.port << " " << c.error;
    EXPECT_EQ(d.problem, c.problem) << c.port << " " << c.error;
    // The pseudo-terminal com1 leads to is among the devices, as port 1.
    bool found = false;
    for (int i = 0; i < d.count && i < kMaxListedDevices; ++i)
      found = found || (d.devices[i].name == pty.slave_path && d.devices[i].port == 1);
    EXPECT_TRUE(found) << c.port;
  }
  testpty::ClosePty(pty);
}

TEST_F(DescribePort, NamesTheGroupOnlyWhenItsMembersMayReadAndWrite) {
  const std::string device = ports_.path() + "/ttyFAKE0";
  WriteFile(device, "");
  ports_.LinkPort(1, device);
  const group* g = getgrgid(getegid());
  ASSERT_NE(g, nullptr);
  const std::string name = g->gr_name;
  struct Case {
    mode_t mode;
    std::string group;
  };
  for (const Case& c : {Case{0660, name}, Case{0600, ""}, Case{0640, ""}, Case{0666, name}}) {
    ASSERT_EQ(chmod(device.c_str(), c.mode), 0);
    PortDescription d{};
    SerialDescribePort(1, PathOf(1), EACCES, &d);
    EXPECT_EQ(d.problem, PortProblem::kNoAccess);
    EXPECT_EQ(d.group, c.group) << std::oct << c.mode;
  }
}

TEST(DescribePortSystem, WithoutAPortDirectoryPortNIsTtySNMinus1) {
  const char* old = std::getenv("PADLINK_PORT_DIR");
  const std::string saved = old ? old : "";
  unsetenv("PADLINK_PORT_DIR");
  PortDescription d{};
  SerialDescribePort(12, PathOf(12), ENOENT, &d);
  if (old) setenv("PADLINK_PORT_DIR", saved.c_str(), 1);
  EXPECT_EQ(d.naming, PortNaming::kSystem);
  EXPECT_STREQ(d.device, "/dev/ttyS11");
  EXPECT_EQ(d.problem, PortProblem::kMissing);
}

}  // namespace
