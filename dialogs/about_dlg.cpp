#include "dialogs/about_dlg.h"

#include <QPushButton>

#include "ui/dialog_template.h"

CAboutDlg::CAboutDlg(const AppFiles& files, QWidget* parent) : QDialog(parent) {
  BuildFromTemplate(this, dialog_id::kAbout);
  setFixedSize(size());
  ApplyDialogTexts(this, dialog_id::kAbout, files);
  connect(Control<QPushButton>(this, kIdOk), &QPushButton::clicked, this, &QDialog::accept);
}
