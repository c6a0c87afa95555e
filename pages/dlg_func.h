#pragma once
// CDlgFunc: The function page: speech language, squelch, time-out timer, options, keys and alarm.

#include "pages/page.h"

class CDlgFunc : public CPage {
  Q_OBJECT

 public:
  CDlgFunc(const PageContext& context, QWidget* parent);

 protected:
  void LoadControls() override;
};
