#pragma once
// CDlgFunc: the function page: speech language, squelch, time-out timer, options, the
// embedded message, keys and emergency alarm. Lists, check boxes and the long-press
// arrows write the image at once; the message and the emergency ID when the user leaves
// them (or presses Return in the ID), and only when the user has typed into them, so that
// passing through a field never rewrites what the radio holds.

#include "pages/page.h"
#include "radio/function_page.h"

class CDTMFEdit;
class CMessageEdit;

class CDlgFunc : public CPage {
  Q_OBJECT

 public:
  CDlgFunc(const PageContext& context, QWidget* parent);

 protected:
  void LoadControls() override;
  void hideEvent(QHideEvent* event) override;

 private:
  // Shows the image in every control. After a change elsewhere on the page, an edit that
  // has the focus keeps the text being typed (the arrows take no focus, so a step can
  // come in the middle of it).
  void ShowImage(bool keepTyping);
  void OnListPicked(int control, int index);
  void OnSpeechLanguagePicked(int index);
  void OnCheckClicked(int control, bool checked);
  void OnLongPressStepped(int direction);
  void CommitEmergencyId();
  void CommitMessage();

  CMessageEdit* message_ = nullptr;
  CDTMFEdit* emergencyId_ = nullptr;
  function_page::SpeechLanguages languages_;
};
