#pragma once
// Named controls: a radio group with an item index (the form's radio groups), the key filter
// of the hexadecimal edits, and the bridge between the settings tables and the widgets:
// an assignment is put into the control found by its name, through the control's own
// setter, so its value-change reaction fires exactly when a user's change would fire it.

#include <QButtonGroup>
#include <QGroupBox>
#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>

#include "app/settings_tables.h"

class QAbstractButton;
class QLabel;
class QPushButton;
class QLineEdit;
class QRadioButton;
class QTabWidget;

namespace zarvo::gui {

// Texts between the core (bytes) and the widgets (UTF-16), without loss: a byte that is no
// UTF-8 (a Latin-1 file name) travels as an escape and comes back as itself (base/utf8.h).
QString Q(const std::string& s);
std::string S(const QString& s);

// A radio group: a captioned frame of exclusive items. itemChanged fires when another item
// becomes the selected one, whether a user clicked it or code set it.
class RadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  RadioGroup(const QString& name, const QString& caption, const QStringList& items, Qt::Orientation orientation,
             QWidget* parent);
  int itemIndex() const { return group_.checkedId(); }
  void setItemIndex(int index);
  int count() const { return static_cast<int>(group_.buttons().size()); }
  QAbstractButton* item(int index) const { return group_.button(index); }
  void setItemText(int index, const QString& text);

 Q_SIGNALS:
  void itemChanged(int index);

 private:
  QButtonGroup group_;
};

// A button, label or group box that carries its documented name.
QPushButton* NamedButton(const QString& name, const QString& text, QWidget* parent);
QLabel* NamedLabel(const QString& name, const QString& text, QWidget* parent);
QGroupBox* NamedGroup(const QString& name, const QString& caption, QWidget* parent);

// The key filter of a hexadecimal edit: a typed key goes through filter (which may turn it
// into another character or drop it); keys that type nothing (arrows, shortcuts) pass.
void InstallKeyFilter(QLineEdit* edit, std::function<std::optional<char>(char)> filter);

// Typing (and pasting) cannot make the edit's text longer than limit characters; a longer
// text set from code stays whole, as ApplyToControl sets it.
void LimitTyping(QLineEdit* edit, int limit);

// Puts one settings assignment into the named control below root. False when no such
// control exists or the value does not fit it.
bool ApplyToControl(QWidget* root, const ControlAssignment& assignment);

// The values the settings save reads from the controls (resetDelayMs is the caller's).
ControlValues ReadControls(QWidget* root);

// The filters of a file dialog as Qt takes them, each showing its text as written: a "*.*"
// pattern means every file, as on the system the texts come from (to Qt it would mean names
// with a dot, and "firmware" would not be listed). The dialog hides the patterns Qt reads
// from the end of each text (QFileDialog::HideNameFilterDetails).
QStringList FileDialogFilters(const QStringList& filters);

// A tab's page is named for screen readers by its tab's caption (without its mnemonic).
void NameTabPage(QTabWidget* tabs, int index);

// A control's own enabled flag, whatever its parents say.
bool OwnEnabled(const QWidget* w);

}  // namespace zarvo::gui
