#include "tests/unit/fake_system.h"

#include <fstream>

namespace test {

namespace fs = std::filesystem;

namespace {

const std::string kUsbBus = "/sys/devices/pci0000:00/0000:00:14.0/usb1";

}  // namespace

fs::path FakeSystem::Put(const std::string& systemPath, const std::string& content) const {
  const fs::path file = Path() / fs::path(systemPath).relative_path();
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << content;
  return file;
}

void FakeSystem::Link(const std::string& systemPath, const fs::path& target) const {
  const fs::path link = Path() / fs::path(systemPath).relative_path();
  fs::create_directories(link.parent_path());
  fs::create_symlink(target, link);
}

void FakeSystem::AddCable(const FakeCable& cable) const {
  const std::string device = kUsbBus + "/" + cable.usbPath;
  const std::string interface = device + "/" + cable.usbPath + ":1.0";
  Put(device + "/idVendor", cable.vendorId + "\n");
  Put(device + "/idProduct", cable.productId + "\n");
  if (!cable.manufacturer.empty()) Put(device + "/manufacturer", cable.manufacturer + "\n");
  if (!cable.product.empty()) Put(device + "/product", cable.product + "\n");
  if (!cable.serial.empty()) Put(device + "/serial", cable.serial + "\n");
  Link(interface + "/driver", Path() / ("sys/bus/usb/drivers/" + cable.driver));
  Link("/sys/bus/usb/devices/" + cable.usbPath, Path() / device.substr(1));
  // usb-serial drivers put a port device below the interface; cdc_acm is the interface itself.
  const bool acm = cable.tty.starts_with("ttyACM");
  const std::string ttyDevice = acm ? interface : interface + "/" + cable.tty;
  Put((acm ? interface + "/tty/" : ttyDevice + "/tty/") + cable.tty + "/dev", "188:0\n");
  Link("/sys/class/tty/" + cable.tty + "/device", Path() / ttyDevice.substr(1));
  Put("/dev/" + cable.tty);
  if (!cable.byIdName.empty()) Link("/dev/serial/by-id/" + cable.byIdName, "../../" + cable.tty);
}

void FakeSystem::AddUsbDevice(const std::string& usbPath, const std::string& vendorId, const std::string& productId) const {
  const std::string device = kUsbBus + "/" + usbPath;
  Put(device + "/idVendor", vendorId + "\n");
  Put(device + "/idProduct", productId + "\n");
  Put(device + "/product", "USB Serial\n");
  Put(device + "/" + usbPath + ":1.0/bInterfaceClass", "ff\n");
  Link("/sys/bus/usb/devices/" + usbPath, Path() / device.substr(1));
}

void FakeSystem::AddProcess(pid_t pid, const std::string& program, const std::vector<std::string>& openFiles) const {
  const std::string dir = "/proc/" + std::to_string(pid);
  Put(dir + "/comm", program + "\n");
  fs::create_directories(Path() / dir.substr(1) / "fd");
  int fd = 0;
  for (const std::string& file : openFiles) Link(dir + "/fd/" + std::to_string(fd++), file);
}

}  // namespace test
