// The option dialogs. Each is created once when the main window is built,
// kept hidden and shown modally on demand, so its controls keep their states
// between openings; every control sets its setting the moment it is clicked.
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "quorvel.hpp"
#include "run/run_options.hpp"

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QTreeView;

namespace quorvel::gui {

// Text from the core (UTF-8) as the window shows it.
inline QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "Version X.Y.Z" of this build, as the window and the About box show it.
QString VersionText();

// Ctrl+W closes the window (a dialog: rejects it); a window that is not a
// dialog closes with Esc too.
void AddCloseShortcut(QWidget* window);

// The dialog of one product option, built from its declaration: a grid of
// entry boxes with "Check all" and "Uncheck all" (entries), a column of layer
// boxes (layers), or one check box (a flag), under the option's notes. Every
// box sets its value the moment it is clicked.
class ProductOptionDialog : public QDialog {
  Q_OBJECT
 public:
  ProductOptionDialog(const ProductOption& option, TranslationSettings& settings, QWidget* parent);
  const ProductOption& option() const { return option_; }
  // The box of a numbered entry or layer; null for one without a box.
  QCheckBox* Box(int number) const;
  // The flag's box; null for entries and layers.
  QCheckBox* FlagBox() const { return flagBox_; }
  void CheckAll(bool checked);

 private:
  QCheckBox* AddEntryBox(const OptionEntry& entry);
  void BuildEntryGrid(QBoxLayout* layout);
  void BuildLayerColumn(QBoxLayout* layout);
  void BuildFlag(QBoxLayout* layout);

  const ProductOption& option_;
  TranslationSettings& settings_;
  std::vector<QCheckBox*> boxes_;  // indexed by number - 1
  QCheckBox* flagBox_ = nullptr;
};

// "Default folder": a directory tree with a volume selector. Writes the INI
// file only through "Set as &Default".
class DefaultFolderDialog : public QDialog {
  Q_OBJECT
 public:
  DefaultFolderDialog(QString iniPath, QWidget* parent);

  // Shows the folder (and selects its volume). False, with nothing changed,
  // when it is not an existing folder.
  bool SetCurrentFolder(const QString& folder);
  QString CurrentFolder() const { return currentFolder_; }
  // Moves the tree to the volume mounted at `root`. A volume that cannot be
  // read is ignored: the tree stays where it was.
  bool ChooseDrive(const QString& root);
  // The volumes the "Drive:" selector offers (their mount points).
  QStringList Drives() const;

 signals:
  // "Set as &Default" stored this folder.
  void DefaultFolderSaved(const QString& folder);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FillDrives();
  void SelectDriveEntry(const QString& root);
  void SetAsDefault();

  QString iniPath_;
  QString currentFolder_;
  QString currentRoot_;
  bool opened_ = false;
  QFileSystemModel* model_;
  QTreeView* tree_;
  QComboBox* drives_;
};

// "Quorvel Options": the run options the table places here (text and
// symbols), a button for each product option's dialog and the default folder.
class OptionsDialog : public QDialog {
  Q_OBJECT
 public:
  OptionsDialog(TranslationSettings& settings, const std::vector<ProductOptionDialog*>& productOptions,
                DefaultFolderDialog* defaultFolder, QWidget* parent);

  // While a run goes on the options it runs with are shown but cannot be
  // changed (a run takes them when it starts); the default folder can.
  void LockForRun(bool running);

 private:
  // The group of a run option offered here (run/run_options.hpp).
  QGroupBox* ChoiceGroup(const RunOption& option);
  QBoxLayout* ButtonColumn(const std::vector<ProductOptionDialog*>& productOptions, DefaultFolderDialog* defaultFolder);

  TranslationSettings& settings_;
  std::vector<QWidget*> runOptions_;  // what LockForRun disables
};

// "About Quorvel".
class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent);
};

}  // namespace quorvel::gui
