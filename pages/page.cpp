#include "pages/page.h"

CPage::CPage(int templateId, const PageContext& context, QWidget* parent, const CustomControlFactory& custom)
    : QWidget(parent), templateId_(templateId), context_(context) {
  BuildFromTemplate(this, templateId, custom);
}

void CPage::LoadFromImage() {
  ApplyDialogTexts(this, templateId_, context_.files);
  LoadControls();
  emit loaded();
}
