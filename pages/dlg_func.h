#pragma once
// CDlgFunc: The function page: speech language, squelch, time-out timer, options, keys and alarm.

#include "pages/page.h"
#include "radio/function_page.h"

class CDlgFunc : public CPage {
  Q_OBJECT

 public:
  CDlgFunc(const PageContext& context, QWidget* parent);

 protected:
  void LoadControls() override;
  void hideEvent(QHideEvent* event) override;

 private:
  void ShowImage();
  void OnListPicked(int control, int index);
  void OnSpeechLanguagePicked(int index);
  void OnCheckClicked(int control, bool checked);
  void OnLongPressStepped(int direction);
  void CommitEmergencyId();
  void CommitMessage();

  function_page::SpeechLanguages languages_;
};
