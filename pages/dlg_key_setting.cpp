#include "pages/dlg_key_setting.h"

CDlgKeySetting::CDlgKeySetting(const PageContext& context, QWidget* parent) : CPage(dialog_id::kScanVoxDtmfPage, context, parent) {}

void CDlgKeySetting::LoadControls() {}
