// The option dialogs. Each is created once when the main window is built,
// kept hidden and shown modally on demand, so its controls keep their states
// between openings; every control sets its setting the moment it is clicked.
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "run/settings.hpp"

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QPushButton;
class QRadioButton;
class QTreeView;

namespace quorvel::gui {

// "Land-Line features": one box per entry of LandLineFeatureEnabled but 8.
class TFormLLFeatures : public QDialog {
  Q_OBJECT
 public:
  TFormLLFeatures(TranslationSettings& settings, QWidget* parent);
  // The box of a 1-based entry; null for entry 8 and out-of-range entries.
  QCheckBox* Box(int entry) const;
  void CheckAll(bool checked);

 private:
  TranslationSettings& settings_;
  std::vector<QCheckBox*> boxes_;  // indexed by entry - 1; null for entry 8
};

// "Strategi features": the eight layer boxes.
class TFormSFeatures : public QDialog {
  Q_OBJECT
 public:
  TFormSFeatures(TranslationSettings& settings, QWidget* parent);

 private:
  TranslationSettings& settings_;
};

// "Meridian 2 height data": whether gridded heights are drawn visibly.
class TFormMeridianHeights : public QDialog {
  Q_OBJECT
 public:
  TFormMeridianHeights(TranslationSettings& settings, QWidget* parent);

 private:
  TranslationSettings& settings_;
  QCheckBox* showHeights_;
};

// "Default folder": a directory tree with a volume selector. Writes the INI
// file only through "Set as &Default".
class TFormDefault : public QDialog {
  Q_OBJECT
 public:
  TFormDefault(QString iniPath, QWidget* parent);

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

// "Quorvel Options": the text and symbol options and the other dialogs.
class TFormOptions : public QDialog {
  Q_OBJECT
 public:
  TFormOptions(TranslationSettings& settings, TFormLLFeatures* landLine, TFormMeridianHeights* heights,
               TFormSFeatures* strategi, TFormDefault* defaultFolder, QWidget* parent);

 private:
  TranslationSettings& settings_;
};

// "About Quorvel".
class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent);
};

}  // namespace quorvel::gui
