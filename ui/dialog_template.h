#pragma once
// Builds dialogs and pages from the templates in res/: one Qt widget per control,
// known by its numeric id, placed from dialog units. ApplyDialogTexts then gives
// the dialog and its controls their captions from the language file.

#include <QRect>
#include <QWidget>
#include <functional>

#include "res/dialog_templates.h"

class AppFiles;
class QFont;
class QIcon;

// Dialog units of a font: x × average character width / 4, y × height / 8.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  QRect ToPixels(const DialogRect& rect) const;
  QSize ToPixels(int width, int height) const;
  // Sizes that were laid out in pixels for the classic 8-point dialog font (dialog base
  // units 6 by 13), scaled to this font so that the texts fit as they did there.
  QSize ScaleDesignPixels(int width, int height) const;

 private:
  int baseWidth_;
  int baseHeight_;
};

// Creates the program's own controls (grid, entry controls, the view's tab control).
// Returning nullptr falls back to the standard control of the entry's kind.
using CustomControlFactory = std::function<QWidget*(const ControlTemplate&, QWidget* parent)>;

// Creates the template's controls as children of `host`, gives host the template's
// size and caption, and returns the template (nullptr for an unknown id).
const DialogTemplate* BuildFromTemplate(QWidget* host, int templateId, const CustomControlFactory& custom = {});

// The control id of a widget made from a template; 0 for any other widget.
int ControlId(const QObject* control);
void SetControlId(QWidget* control, int id);
QWidget* FindControl(const QWidget* dialog, int id);
template <class T>
T* Control(const QWidget* dialog, int id) {
  return qobject_cast<T*>(FindControl(dialog, id));
}
// The visible text of a control, whatever its kind.
QString ControlText(const QWidget* control);
void SetControlText(QWidget* control, const QString& text);

// The program icon, set on every dialog.
QIcon ProgramIcon();
// Makes the program's compiled-in pictures (icons) available; called once at start.
void LoadProgramResources();

// The dialog's icon and title ("^<templateId>") and every child control's caption
// ("^<id>") from section "Resource"; a missing or empty entry keeps the template text.
void ApplyDialogTexts(QWidget* dialog, int templateId, const AppFiles& files);
