#include "pages/dlg_tone.h"

CDlgTone::CDlgTone(const PageContext& context, QWidget* parent) : CPage(dialog_id::kSignallingPage, context, parent) {}

void CDlgTone::LoadControls() {}
