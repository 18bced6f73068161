// The main window: the NTF file list, the MIF name, the output and network
// options, the run's counters, its log and progress, and the command buttons.
// It owns the settings, the run driver and the dialogs, and shows a run
// through the RunObserver interface.
#pragma once

#include <QElapsedTimer>
#include <QPalette>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "prompts.hpp"
#include "quorvel.hpp"

class QBoxLayout;
class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QLayout;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolButton;
class QTreeWidget;

namespace quorvel::gui {

class AboutDialog;
class DefaultFolderDialog;
class HelpWindow;
class MapWindow;
class OptionsDialog;
class ProductOptionDialog;

// How often a run pumped events and what it cost.
struct PumpStatistics {
  std::int64_t calls = 0;   // PumpMessages calls from the run
  std::int64_t pumps = 0;   // of those, the ones that processed events
  std::int64_t nanoseconds = 0;  // spent processing events and refreshing
};

class MainWindow : public QWidget, public RunObserver {
  Q_OBJECT
 public:
  // `iniPath` is the INI file that holds the default folder.
  explicit MainWindow(QString iniPath, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Replace the system dialogs (tests, other front ends).
  void SetFileDialogs(std::unique_ptr<FileDialogs> dialogs);
  void SetMessageBoxes(std::unique_ptr<MessageBoxes> boxes);

  // Starts the splash period: the window is disabled behind the splash
  // panel until the timer's first tick.
  void StartSplash(int milliseconds = 2000);

  TranslationSettings& Settings() { return settings_; }
  const QString& DefaultFolder() const { return defaultFolder_; }
  bool IsRunning() const { return running_; }
  const PumpStatistics& Pumping() const { return pumping_; }
  const RunResult& LastRun() const { return lastRun_; }
  // The objects created by every file of the last run.
  std::int64_t LastRunObjects() const { return objectsTotal_; }
  // The MIF files the last run wrote (what Map shows).
  const QStringList& LastRunSets() const { return lastSets_; }
  // The least time between two event pumps during a run.
  static constexpr int kPumpIntervalMs = 30;

  bool MergeTiles() const { return mergeTiles_; }
  OptionsDialog* Options() const { return options_; }
  // The dialog of the product option with this key, or null.
  ProductOptionDialog* OptionDialog(std::string_view key) const;
  DefaultFolderDialog* FolderDialog() const { return defaultFolderDialog_; }
  AboutDialog* AboutBox() const { return about_; }
  HelpWindow* Help() const { return help_; }
  // The map of the last run's output; null until Map is first pressed.
  MapWindow* Map() const { return map_; }

  // The control actions.
  void SelectNtfFiles();
  // Adds NTF files, and the NTF files of folders, to the list (the command
  // line, a drop). Paths that are neither are named in one message.
  void AddPaths(const QStringList& paths);
  void ChooseMifFile();
  void ChooseMergedOutput();
  void ChooseSeparateOutput();
  void StartTranslationRun();
  // Asks a running translation to stop after its current record.
  void RequestStop();
  void ShowHelp();
  void ShowMap();
  // Shows or hides the run log.
  void ShowLog(bool shown);
  bool LogShown() const;

  // RunObserver.
  void ShowMessage(MessageKind kind, std::string_view text) override;
  void ShowFileMessage(MessageKind kind, std::string_view path, std::string_view text) override;
  void ShowStatus(std::string_view text) override;
  void ShowRecordsRead(std::int64_t count) override;
  void ShowObjectsCreated(std::int64_t count) override;
  void ShowFilesSelected(std::size_t count) override;
  void ShowFilesTranslated(std::size_t count) override;
  void SetProgressMaximum(std::size_t lines) override;
  void SetProgress(std::size_t line) override;
  void RunStarted() override;
  void EnableRunControls() override;
  void PumpMessages() override;
  bool ConfirmReplace(const std::vector<std::string>& existing) override;
  bool StopRequested() override { return stopRequested_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildControls();
  QWidget* BuildStatusBand();
  QLayout* BuildCaptions();
  void BuildFileGroups(QBoxLayout* body);
  QLayout* BuildOptionsAndCounters();
  QWidget* BuildProgress();
  QWidget* BuildRunLog();
  QWidget* BuildCommands();
  void BuildSplash();
  void ConnectControls();
  void SetTabOrderAndShortcuts();
  // Shows `names` (sorted) as the selection and proposes the MIF name.
  void SetSelectedFiles(QStringList names);
  QStringList SelectedFiles() const;
  // One message of the run: into the log and, unless the user asked not
  // to see more of this run, a box.
  void ReportMessage(MessageKind kind, const QString& path, const QString& text);
  void ShowRunOutcome(const RunRequest& request);
  QStringList WrittenSets() const;
  void RestoreGeometry();
  void SaveGeometry();
  void ShowTranslateAsStop(bool stop);
  void SetDefaultFolder(const QString& folder);
  void SetMifFieldBackground(QPalette::ColorRole role);
  // Puts the counters and the progress position on screen.
  void RefreshFigures();
  void EndSplash();

  TranslationSettings settings_;
  // Several files go into one set; the output option of the window.
  bool mergeTiles_ = true;
  QString iniPath_;
  QString defaultFolder_;
  std::unique_ptr<FileDialogs> fileDialogs_;
  std::unique_ptr<MessageBoxes> messageBoxes_;
  std::unique_ptr<RunDriver> driver_;
  RunResult lastRun_;

  bool running_ = false;
  bool stopRequested_ = false;
  bool closeAfterRun_ = false;
  bool busyCursor_ = false;
  QElapsedTimer sincePump_;
  PumpStatistics pumping_;
  // Figures waiting for the next refresh.
  std::int64_t recordsShown_ = 0, recordsPending_ = 0;
  std::int64_t objectsShown_ = 0, objectsPending_ = 0;
  int progressPending_ = 0;
  // The objects of each file of the run, in order; the last entry is the
  // file running or, until the next starts, the file just handled.
  std::vector<std::int64_t> objectsPerFile_;
  std::int64_t objectsTotal_ = 0;
  bool inFile_ = false;
  std::size_t filesHandled_ = 0;
  std::vector<std::string> runFiles_;
  bool severalFiles_ = false;
  bool boxesSilenced_ = false;
  QStringList lastSets_;
  // Controls.
  QLabel* status_ = nullptr;
  QListWidget* files_ = nullptr;
  QPushButton* openFiles_ = nullptr;
  QLineEdit* mifName_ = nullptr;
  QPushButton* saveMif_ = nullptr;
  QRadioButton* merge_ = nullptr;
  QRadioButton* separate_ = nullptr;
  QCheckBox* network_ = nullptr;
  QLabel* recordsRead_ = nullptr;
  QLabel* objectsCreated_ = nullptr;
  QLabel* filesSelected_ = nullptr;
  QLabel* filesTranslated_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* helpButton_ = nullptr;
  QPushButton* aboutButton_ = nullptr;
  QPushButton* optionsButton_ = nullptr;
  QPushButton* translate_ = nullptr;
  QPushButton* close_ = nullptr;
  QPushButton* mapButton_ = nullptr;
  QToolButton* logToggle_ = nullptr;
  QWidget* logPanel_ = nullptr;
  QWidget* logBox_ = nullptr;  // the toggle, the problems line and the panel
  QBoxLayout* body_ = nullptr;
  QTreeWidget* log_ = nullptr;
  QPushButton* problems_ = nullptr;
  QWidget* splash_ = nullptr;
  QTimer* splashTimer_ = nullptr;

  // Dialogs, created hidden with the window.
  AboutDialog* about_ = nullptr;
  std::vector<ProductOptionDialog*> productOptions_;
  DefaultFolderDialog* defaultFolderDialog_ = nullptr;
  OptionsDialog* options_ = nullptr;
  HelpWindow* help_ = nullptr;
  MapWindow* map_ = nullptr;
};

// Sorted as the file list keeps its entries: alphabetically, letter case
// ignored (ties broken by case so the order is always the same).
void SortFileNames(QStringList& names);

// The MIF name a run takes from the name field: empty (the run's own rule)
// for a blank field, and ".mif" appended to a name without it.
QString MifNameFromField(const QString& text);

// The NTF files of a folder (".ntf" in any letter case), sorted as the list
// keeps them.
QStringList NtfFilesIn(const QString& folder);

// The files and folders named on the command line (after the program's
// name; "--" ends the options, other options are left out).
QStringList PathsFromArguments(const QStringList& arguments);

// The window's section and key in the INI file.
inline const char* const kWindowSection = "Window";
inline const char* const kGeometryKey = "Geometry";

}  // namespace quorvel::gui
