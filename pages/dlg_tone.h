#pragma once
// CDlgTone: The two-tone signalling page.

#include "pages/page.h"

class CDlgTone : public CPage {
  Q_OBJECT

 public:
  CDlgTone(const PageContext& context, QWidget* parent);

 protected:
  void LoadControls() override;
};
