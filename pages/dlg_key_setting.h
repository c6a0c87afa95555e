#pragma once
// CDlgKeySetting: the scan, VOX and DTMF page. Lists, check boxes and up-down steps write
// the image at once; the two PTT ID edits when the user leaves them. The scan controls
// follow the channel table, so the page applies the scan enabling rule afresh whenever
// it is shown (the channel page may have changed the scan members meanwhile).

#include <array>

#include "pages/page.h"

class CDTMFEdit;

class CDlgKeySetting : public CPage {
  Q_OBJECT

 public:
  CDlgKeySetting(const PageContext& context, QWidget* parent);

 protected:
  void LoadControls() override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows the image in every control but the PTT ID edits, whose text the user may be
  // typing (an up-down arrow takes no focus, so a step can come in the middle of it).
  void ShowValues();
  void OnListActivated(int listId, int index);
  // Stores the edit's code when it differs from the field, and shows the stored code.
  void CommitPttId(CDTMFEdit* edit);

  std::array<CDTMFEdit*, 2> pttIdEdits_{};
};
