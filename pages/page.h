#pragma once
// CPage: what the four editing pages share. A page is a child dialog built from its
// template; it reads its fields straight from the document's image in
// LoadFromImage() and writes them back on every change, keeping no copies.

#include <QWidget>

#include "ui/dialog_template.h"

class AppFiles;
class CTavroPgmDoc;
class Prompter;

struct PageContext {
  const AppFiles& files;
  CTavroPgmDoc& doc;
  Prompter& prompter;  // questions of the core's codecs, as message boxes
};

class CPage : public QWidget {
  Q_OBJECT

 public:
  CPage(int templateId, const PageContext& context, QWidget* parent, const CustomControlFactory& custom = {});
  int TemplateId() const { return templateId_; }

  // Fills every control from the image; the captions are applied afresh first.
  void LoadFromImage();

 signals:
  void loaded();

 protected:
  virtual void LoadControls() = 0;
  const AppFiles& Files() const { return context_.files; }
  CTavroPgmDoc& Doc() const { return context_.doc; }
  Prompter& Questions() const { return context_.prompter; }

 private:
  int templateId_;
  PageContext context_;
};
