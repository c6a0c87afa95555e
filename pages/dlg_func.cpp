#include "pages/dlg_func.h"

CDlgFunc::CDlgFunc(const PageContext& context, QWidget* parent) : CPage(dialog_id::kFunctionPage, context, parent) {}

void CDlgFunc::LoadControls() {}
