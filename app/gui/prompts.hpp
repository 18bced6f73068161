// What the window asks of the user through the system's dialogs: the file
// dialogs and the message boxes. The window holds them behind these
// interfaces so another front end (or a test) can answer instead.
#pragma once

#include <QString>
#include <QStringList>

#include "run/observer.hpp"

class QWidget;

namespace quorvel::gui {

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // Existing NTF files (several allowed), starting in `folder` when it is
  // not empty. Empty when the user cancels.
  virtual QStringList ChooseNtfFiles(QWidget* parent, const QString& folder) = 0;
  // A MIF file to write (asks before overwriting one), starting in
  // `folder` when it is not empty. Empty when the user cancels.
  virtual QString ChooseMifFile(QWidget* parent, const QString& folder) = 0;
};

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // A message box of the kind with one OK button; returns when it is closed.
  virtual void Show(QWidget* parent, MessageKind kind, const QString& text) = 0;
  // The same during a run of several files, with a "Don't show again in this
  // run" box; true when the user checked it. Without such a box: Show.
  virtual bool ShowInRun(QWidget* parent, MessageKind kind, const QString& text) {
    Show(parent, kind, text);
    return false;
  }
  // Asks whether to stop the running translation and close the program.
  virtual bool ConfirmStopAndClose(QWidget* parent) = 0;
  // Asks once per run whether to replace these files of earlier output.
  virtual bool ConfirmReplace(QWidget* parent, const QStringList& paths) = 0;
};

// The Qt file dialogs.
class QtFileDialogs : public FileDialogs {
 public:
  QStringList ChooseNtfFiles(QWidget* parent, const QString& folder) override;
  QString ChooseMifFile(QWidget* parent, const QString& folder) override;
};

// QMessageBox.
class QtMessageBoxes : public MessageBoxes {
 public:
  void Show(QWidget* parent, MessageKind kind, const QString& text) override;
  bool ShowInRun(QWidget* parent, MessageKind kind, const QString& text) override;
  bool ConfirmStopAndClose(QWidget* parent) override;
  bool ConfirmReplace(QWidget* parent, const QStringList& paths) override;
};

inline const char* const kStopAndCloseQuestion =
    "A translation is running. Stop it after the current record and close Quorvel?\n\n"
    "Output sets finished before the stop stay. The set being written is not put in place: earlier files of "
    "its name stay as they were.";

inline const char* const kReplaceQuestion = "These files of earlier output will be replaced:";

// "ntf files [*.ntf]": the pattern matches ".ntf" in any letter case.
inline const char* const kDontShowAgain = "&Don't show again in this run";

inline const char* const kNTFFilter = "ntf files [*.ntf] (*.[nN][tT][fF])";
inline const char* const kMIFFilter = "MapInfo MIF files [*.mif] (*.[mM][iI][fF])";

}  // namespace quorvel::gui
