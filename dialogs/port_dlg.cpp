#include "dialogs/port_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <cerrno>
#include <string>

#include "dialogs/wr_dlg.h"
#include "link/serial.h"
#include "radio/document.h"
#include "settings/app_files.h"
#include "ui/dialog_template.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace {

constexpr int kAutoSearchId = 1218;
constexpr int kPortChoiceLabel = 1390;
constexpr int kCableListLabel = 1393;
constexpr int kDefaultPort = 1;
// Between a COM button's name and the device it names.
constexpr char kDeviceGap[] = "   ";

QRadioButton* PortButton(const QWidget* dialog, int port) {
  return Control<QRadioButton>(dialog, CPortDlg::kFirstPortButton - 1 + port);
}

// What changes when a cable comes or goes: the kernel's node in /dev, then udev's link in
// /dev/serial/by-id; with the first cable udev makes those folders too, which their
// parents tell.
constexpr const char* kDeviceFolders[] = {"dev", "dev/serial", "dev/serial/by-id"};

QString FileName(const std::string& path) { return ToQString(std::filesystem::path(path).filename().string()); }

QString JoinNonEmpty(std::initializer_list<const std::string*> parts) {
  QStringList texts;
  for (const std::string* part : parts) {
    if (!part->empty()) texts << ToQString(*part);
  }
  return texts.join(QLatin1Char(' '));
}

}  // namespace

CPortDlg::CPortDlg(const AppFiles& files, CSerial& port, QWidget* parent, std::filesystem::path root)
    : QDialog(parent),
      files_(files),
      port_(port),
      root_(std::move(root)),
      system_(port_survey::SystemView::OfThisProcess()),
      watcher_(new QFileSystemWatcher(this)),
      relistTimer_(new QTimer(this)) {
  system_.root = root_;
  BuildFromTemplate(this, dialog_id::kPort);
  ApplyDialogTexts(this, dialog_id::kPort, files_);
  const LanguageTexts texts = files_.Texts();

  auto* choice = Control<QComboBox>(this, kPortChoice);
  for (int n = 1; n <= kPortCount; ++n) {
    portNames_[n - 1] = PortButton(this, n)->text();
    choice->addItem(portNames_[n - 1]);
    connect(PortButton(this, n), &QRadioButton::toggled, choice, [choice, n](bool checked) {
      if (checked) choice->setCurrentIndex(n - 1);
    });
  }
  // Screen readers name each control by its label.
  auto* choiceLabel = Control<QLabel>(this, kPortChoiceLabel);
  choiceLabel->setBuddy(choice);
  choice->setAccessibleName(choiceLabel->text());
  auto* state = Control<QPlainTextEdit>(this, kPortState);
  state->setAccessibleName(ToQString(texts.GetText("IDS_PORT_STATE")));
  // The advice may hold a command to copy; the keyboard selects it as well as the mouse.
  state->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  auto* list = Control<QTreeWidget>(this, kCableList);
  auto* listLabel = Control<QLabel>(this, kCableListLabel);
  listLabel->setBuddy(list);
  list->setAccessibleName(listLabel->text());
  QStringList headers(kCableColumnCount);
  headers[kDeviceColumn] = ToQString(texts.GetText("IDS_CABLE_DEVICE"));
  headers[kAssignedColumn] = ToQString(texts.GetText("IDS_CABLE_PORT"));
  headers[kProductColumn] = ToQString(texts.GetText("IDS_CABLE_PRODUCT"));
  headers[kUsbIdColumn] = ToQString(texts.GetText("IDS_CABLE_USBID"));
  headers[kDriverColumn] = ToQString(texts.GetText("IDS_CABLE_DRIVER"));
  headers[kSerialColumn] = ToQString(texts.GetText("IDS_CABLE_SERIAL"));
  headers[kByIdColumn] = ToQString(texts.GetText("IDS_CABLE_BYID"));
  list->setHeaderLabels(headers);

  connect(Control<QPushButton>(this, kIdOk), &QPushButton::clicked, this, &CPortDlg::OnOK);
  connect(Control<QPushButton>(this, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
  connect(Control<QCheckBox>(this, kAutoSearchId), &QCheckBox::clicked, this, &CPortDlg::OnAutoSearchClicked);
  connect(Control<QPushButton>(this, kAssignButton), &QPushButton::clicked, this, &CPortDlg::OnAssign);
  connect(choice, &QComboBox::currentIndexChanged, this, &CPortDlg::ShowPortState);
  relistTimer_->setSingleShot(true);
  relistTimer_->setInterval(kRelistDelayMs);
  connect(watcher_, &QFileSystemWatcher::directoryChanged, relistTimer_, qOverload<>(&QTimer::start));
  connect(relistTimer_, &QTimer::timeout, this, &CPortDlg::OnDeviceFoldersChanged);

  // The current port stays selected even when it cannot be opened now.
  const int current = files_.SettingInt("setup", "com", kDefaultPort);
  if (current >= 1 && current <= kPortCount) PortButton(this, current)->setChecked(true);
  Control<QCheckBox>(this, kAutoSearchId)->setChecked(files_.SettingInt("setup", "autocom", 1) != 0);

  // The port cannot be probed while it is open here, nor while a cancelled transfer's
  // worker may still use it.
  CWRDlg::FinishPendingTransfer();
  port_.Close();
  ProbePorts();
  // Watched before the first listing, so that no cable plugged in between is missed.
  WatchDeviceFolders();
  ListCables();
}

std::string CPortDlg::DeviceOfPort(int port) const {
  const auto assigned = assignments_.find(port);
  return assigned != assignments_.end() ? assigned->second : DevicePathForPort(files_.SettingsPath(), port);
}

void CPortDlg::ProbePorts() {
  const LanguageTexts texts = files_.Texts();
  for (int n = 1; n <= kPortCount; ++n) {
    QRadioButton* button = PortButton(this, n);
    const std::string device = DeviceOfPort(n);
    button->setText(device.empty() ? portNames_[n - 1] : portNames_[n - 1] + kDeviceGap + ToQString(device));
    QString problem;
    if (device.empty()) {
      problem = ToQString(texts.GetText("IDS_PORT_NODEVICE"));
    } else if (port_.OpenDevice(device)) {
      port_.Close();
    } else {
      problem = ToQString(port_survey::PortProblemText(files_, system_, device, port_.LastError()));
    }
    portProblems_[n - 1] = problem;
    button->setEnabled(problem.isEmpty());
    button->setToolTip(problem);
    button->setAccessibleDescription(problem);
  }
  ShowPortState();
}

void CPortDlg::ShowPortState() {
  const int index = Control<QComboBox>(this, kPortChoice)->currentIndex();
  if (index < 0) return;
  const std::string device = DeviceOfPort(index + 1);
  const QString problem = portProblems_[static_cast<std::size_t>(index)];
  QString text = portNames_[index];
  if (!device.empty()) text += kDeviceGap + ToQString(device);
  text += QLatin1Char('\n') + (problem.isEmpty() ? ToQString(files_.GetText("IDS_PORT_USABLE")) : problem);
  Control<QPlainTextEdit>(this, kPortState)->setPlainText(text);
}

void CPortDlg::ListCables() {
  cables_ = port_survey::UsbCables(root_);
  ShowCables();
}

void CPortDlg::ShowCables() {
  const LanguageTexts texts = files_.Texts();
  auto* list = Control<QTreeWidget>(this, kCableList);
  // The cable the user selected stays selected while others come and go.
  const QString selected = list->currentItem() != nullptr ? list->currentItem()->text(kDeviceColumn) : QString();
  list->clear();
  QTreeWidgetItem* current = nullptr;
  for (const port_survey::UsbCable& cable : cables_) {
    QStringList cells(kCableColumnCount);
    cells[kDeviceColumn] = ToQString(cable.deviceNode);
    cells[kAssignedColumn] = AssignedPorts(cable);
    cells[kProductColumn] = JoinNonEmpty({&cable.manufacturer, &cable.product});
    cells[kUsbIdColumn] = ToQString(cable.vendorId) + QLatin1Char(':') + ToQString(cable.productId);
    cells[kDriverColumn] = ToQString(cable.driver);
    cells[kSerialColumn] = ToQString(cable.serialNumber);
    cells[kByIdColumn] = FileName(cable.byIdPath);
    auto* item = new QTreeWidgetItem(list, cells);
    item->setToolTip(kByIdColumn, ToQString(cable.byIdPath));
    if (current == nullptr || item->text(kDeviceColumn) == selected) current = item;
  }
  if (current != nullptr) list->setCurrentItem(current);
  for (int column = 0; column < kCableColumnCount; ++column) list->resizeColumnToContents(column);

  const QString status = ToQString(texts.GetText(cables_.empty() ? "IDS_CABLE_NONE" : "IDS_CABLE_HINT"));
  Control<QLabel>(this, kCableStatus)->setText(status);
  list->setAccessibleDescription(status);
  Control<QPushButton>(this, kAssignButton)->setEnabled(!cables_.empty());
}

QString CPortDlg::AssignedPorts(const port_survey::UsbCable& cable) const {
  QStringList ports;
  for (int n = 1; n <= kPortCount; ++n) {
    const std::string device = DeviceOfPort(n);
    if (device.empty()) continue;
    if (device == cable.deviceNode || device == cable.byIdPath) ports << portNames_[n - 1];
  }
  return ports.isEmpty() ? ToQString(files_.GetText("IDS_PORT_UNASSIGNED")) : ports.join(QStringLiteral(", "));
}

void CPortDlg::WatchDeviceFolders() {
  const QStringList watched = watcher_->directories();
  for (const char* folder : kDeviceFolders) {
    const QString path = QString::fromStdString((root_ / folder).string());
    // A folder that goes away leaves the watcher by itself; it is watched again when it
    // comes back, which its parent's change tells.
    if (!watched.contains(path) && QFileInfo(path).isDir()) watcher_->addPath(path);
  }
}

void CPortDlg::OnDeviceFoldersChanged() {
  WatchDeviceFolders();
  ProbePorts();
  ListCables();
}

void CPortDlg::OnAssign() {
  const auto* list = Control<QTreeWidget>(this, kCableList);
  const int row = list->currentItem() != nullptr ? list->indexOfTopLevelItem(list->currentItem()) : -1;
  if (row < 0 || row >= static_cast<int>(cables_.size())) return;
  const port_survey::UsbCable& cable = cables_[static_cast<std::size_t>(row)];
  const int port = Control<QComboBox>(this, kPortChoice)->currentIndex() + 1;
  // The by-id name stays the same in every USB socket; the node is a last resort.
  assignments_[port] = cable.byIdPath.empty() ? cable.deviceNode : cable.byIdPath;
  ProbePorts();
  ShowCables();
}

void CPortDlg::OnAutoSearchClicked(bool checked) { files_.WriteSetting("setup", "autocom", checked ? "1" : "0"); }

void CPortDlg::OnOK() {
  int writeError = 0;
  for (const auto& [port, device] : assignments_) {
    const std::string key = std::to_string(port);
    if (files_.FindSetting("ports", key) == device) continue;
    errno = 0;
    if (!files_.WriteSetting("ports", key, device) && writeError == 0) writeError = errno != 0 ? errno : EIO;
  }
  // The open port may name another device now; the next link operation opens it afresh.
  if (!assignments_.empty() && port_.IsOpen()) port_.Close();
  // An assignment the user made is never dropped without a word.
  if (writeError != 0) ShowFileError(this, files_, WriteFailure("IDS_PORT_NOTSTORED", files_.SettingsPath(), writeError));
  for (int n = 1; n <= kPortCount; ++n) {
    if (!PortButton(this, n)->isChecked()) continue;
    if (n != files_.SettingInt("setup", "com", kDefaultPort)) {
      // The open port is the old one; the next link operation opens the new.
      if (port_.IsOpen()) port_.Close();
      files_.WriteSetting("setup", "com", std::to_string(n));
    }
    break;
  }
  accept();
}
