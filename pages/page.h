#pragma once
// CPage: what the four editing pages share. A page is a child dialog built from its
// template; it reads its fields straight from the document's image in
// LoadFromImage() and writes them back on every change, keeping no copies. The rules
// of what a control shows live below the line (radio/*_page); a page shows their
// states and forwards the user's changes.

#include <QWidget>
#include <unordered_map>

#include "radio/page_state.h"
#include "ui/dialog_template.h"

class AppFiles;
class CTavroPgmDoc;
class CVoicePackage;
class Prompter;

struct PageContext {
  const AppFiles& files;
  CTavroPgmDoc& doc;
  Prompter& prompter;               // questions of the core's codecs, as message boxes
  CVoicePackage* voices = nullptr;  // the speech languages; none known when null
};

class CPage : public QWidget {
  Q_OBJECT

 public:
  // Controls of the template's custom classes come from `custom`, else from the page
  // controls every page may use (CreatePageControl).
  CPage(int templateId, const PageContext& context, QWidget* parent, const CustomControlFactory& custom = {});
  int TemplateId() const { return templateId_; }

  // Fills every control from the image; the captions are applied afresh first.
  void LoadFromImage();

  // The control of the template with this id (nullptr for none), found without a search.
  QWidget* ControlById(int id) const;
  template <class T>
  T* ControlAs(int id) const {
    return qobject_cast<T*>(ControlById(id));
  }

 signals:
  void loaded();

 protected:
  virtual void LoadControls() = 0;
  // Shows each state in the control of its id: a list is refilled only when its entries
  // changed, a text set only when it differs, so that a reload stays cheap and the user's
  // cursor stays where it was.
  void ShowStates(const page_state::Controls& states);
  const AppFiles& Files() const { return context_.files; }
  CTavroPgmDoc& Doc() const { return context_.doc; }
  Prompter& Questions() const { return context_.prompter; }
  CVoicePackage* Voices() const { return context_.voices; }

 private:
  int templateId_;
  PageContext context_;
  std::unordered_map<int, QWidget*> controls_;
};

// The program's own controls that page templates name by class: "CUpDown", "CDTMFEdit",
// "C2ToneEdit", "CMessageEdit" and "MFCGridCtrl". nullptr for any other entry.
QWidget* CreatePageControl(const ControlTemplate& entry, QWidget* parent);
