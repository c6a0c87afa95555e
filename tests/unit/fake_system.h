#pragma once
// A small fake of the running system under a temporary directory, laid out as the real
// one: sysfs entries of USB serial cables, /dev nodes and by-id links, /proc processes
// with their descriptors, /etc/group and /etc/passwd.

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/unit/test_support.h"

namespace test {

struct FakeCable {
  std::string tty;     // "ttyUSB0"; a ttyACM* name is laid out as cdc_acm lays it out
  std::string usbPath; // "1-1"
  std::string vendorId, productId, driver;
  std::string byIdName;  // empty: no by-id link
  std::string manufacturer, product, serial;
};

class FakeSystem : public TempDir {
 public:
  // A file at the system path (e.g. "/etc/group"), directories made as needed.
  std::filesystem::path Put(const std::string& systemPath, const std::string& content = "") const;
  // A symbolic link at the system path pointing to target (taken as it is).
  void Link(const std::string& systemPath, const std::filesystem::path& target) const;
  // A plugged cable with its device node.
  void AddCable(const FakeCable& cable) const;
  // A USB device with no tty under it (a driver or a service took it).
  void AddUsbDevice(const std::string& usbPath, const std::string& vendorId, const std::string& productId) const;
  // A process with descriptors open on the given system paths.
  void AddProcess(pid_t pid, const std::string& program, const std::vector<std::string>& openFiles = {}) const;
};

}  // namespace test
