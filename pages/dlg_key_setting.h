#pragma once
// CDlgKeySetting: The scan, VOX and DTMF page.

#include "pages/page.h"

class CDlgKeySetting : public CPage {
  Q_OBJECT

 public:
  CDlgKeySetting(const PageContext& context, QWidget* parent);

 protected:
  void LoadControls() override;
};
