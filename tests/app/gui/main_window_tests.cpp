// The main window: selection and proposed names, the output options, the
// splash period, and whole runs through the window.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include "dialogs.hpp"
#include "help_window.hpp"
#include "ntfgen/generators.hpp"
#include "gui_fixture.hpp"

namespace quorvel::gui::test {
namespace {

QString ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

QStringList ListEntries(QListWidget* list) {
  QStringList entries;
  for (int i = 0; i < list->count(); ++i) entries << list->item(i)->text();
  return entries;
}

TEST_F(WindowTest, StartsWithTheCaptionsHintsAndInitialStates) {
  EXPECT_EQ(window->windowTitle(), "Quorvel " QUORVEL_VERSION);
  EXPECT_EQ(Find<QLabel>("LabelStatus")->text(), "Select NTF file(s), then click Translate...");
  EXPECT_EQ(Find<QPushButton>("BitBtnOpenNTF_Files")->text(), "&Select File(s)...");
  EXPECT_EQ(Find<QPushButton>("BitBtnOpenNTF_Files")->toolTip(), "Select the NTF file(s) to translate (Ctrl+O)");
  EXPECT_EQ(Find<QPushButton>("BitBtnSaveMIF")->toolTip(), "Select a MIF file");
  EXPECT_TRUE(Find<QLineEdit>("EditMIF_File")->text().isEmpty());
  EXPECT_TRUE(Find<QRadioButton>("RadioButtonMerge")->isChecked());
  EXPECT_EQ(Find<QRadioButton>("RadioButtonMerge")->text(), "Mer&ge tiles");
  EXPECT_EQ(Find<QRadioButton>("RadioButtonSep")->toolTip(), "Translate each NTF file into a separate MIF");
  EXPECT_FALSE(Find<QCheckBox>("CheckBoxNetWorkData")->isChecked());
  EXPECT_EQ(Find<QCheckBox>("CheckBoxNetWorkData")->text(), "E&xtract");
  for (const char* name : {"LabelNumberOfRecordsRead", "LabelNumberOfObjectsCreated", "LabelNumberOfFilesSelected",
                           "LabelNumberOfFilesTranslated"}) {
    EXPECT_EQ(Find<QLabel>(name)->text(), "0") << name;
    EXPECT_TRUE(Find<QLabel>(name)->alignment() & Qt::AlignRight) << name;
  }
  EXPECT_EQ(Find<QProgressBar>("ProgressBarConversion")->maximum(), 100);
  EXPECT_EQ(Find<QPushButton>("BitBtnTranslate")->toolTip(), "Start translating file(s)");
  EXPECT_EQ(Find<QPushButton>("BitBtnClose")->text(), "C&lose");
  EXPECT_EQ(Find<QLabel>("LabelVersion")->text(), "Version " QUORVEL_VERSION);
  // The settings start from their defaults and the dialogs exist, hidden.
  EXPECT_EQ(window->Settings().text, TextOption::Separate);
  EXPECT_TRUE(window->MergeTiles());
  EXPECT_FALSE(window->Options()->isVisible());
  EXPECT_FALSE(window->AboutBox()->isVisible());
}

TEST_F(WindowTest, SeveralFilesAreSortedAndProposeTheFirstNameWithEtc) {
  dialogs->ntfAnswers.push_back({"/d/SK12.ntf", "/d/sk11.NTF", "/d/SK13.ntf"});
  Find<QPushButton>("BitBtnOpenNTF_Files")->click();
  EXPECT_EQ(ListEntries(Find<QListWidget>("ListBoxNTF_Files")), QStringList({"/d/sk11.NTF", "/d/SK12.ntf", "/d/SK13.ntf"}));
  auto* mif = Find<QLineEdit>("EditMIF_File");
  EXPECT_EQ(mif->text(), "/d/sk11 etc.mif");  // a blank before "etc"
  EXPECT_FALSE(mif->isReadOnly());
  EXPECT_EQ(mif->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_EQ(Find<QLabel>("LabelNumberOfFilesSelected")->text(), "3");
  EXPECT_TRUE(Find<QRadioButton>("RadioButtonMerge")->isEnabled());
  EXPECT_TRUE(Find<QRadioButton>("RadioButtonSep")->isEnabled());
  EXPECT_TRUE(Find<QRadioButton>("RadioButtonMerge")->isChecked());
  EXPECT_EQ(Find<QLabel>("LabelStatus")->text(), "Ready");
  EXPECT_EQ(Find<QLabel>("LabelNumberOfFilesTranslated")->text(), "0");
}

TEST_F(WindowTest, OneFileProposesItsOwnNameAndDisablesTheOutputOptions) {
  dialogs->ntfAnswers.push_back({"/d/SK12.ntf"});
  window->SelectNtfFiles();
  EXPECT_EQ(Find<QLineEdit>("EditMIF_File")->text(), "/d/SK12.mif");
  EXPECT_EQ(Find<QLabel>("LabelNumberOfFilesSelected")->text(), "1");
  EXPECT_FALSE(Find<QRadioButton>("RadioButtonMerge")->isEnabled());
  EXPECT_FALSE(Find<QRadioButton>("RadioButtonSep")->isEnabled());
  EXPECT_NE(Find<QLineEdit>("EditMIF_File")->palette().color(QPalette::Base), QColor(Qt::white));
}

TEST_F(WindowTest, SeparateShowsAutoNameAndMergeProposesEtcWithoutBlank) {
  dialogs->ntfAnswers.push_back({"/d/SK12.ntf", "/d/SK11.ntf"});
  window->SelectNtfFiles();
  auto* mif = Find<QLineEdit>("EditMIF_File");
  auto* change = Find<QPushButton>("BitBtnSaveMIF");
  Find<QRadioButton>("RadioButtonSep")->click();
  EXPECT_EQ(mif->text(), "<Auto name>");
  EXPECT_TRUE(mif->isReadOnly());
  EXPECT_FALSE(change->isEnabled());
  EXPECT_FALSE(window->MergeTiles());
  Find<QRadioButton>("RadioButtonMerge")->click();
  EXPECT_EQ(mif->text(), "/d/SK11etc.mif");  // no blank before "etc"
  EXPECT_FALSE(mif->isReadOnly());
  EXPECT_TRUE(change->isEnabled());
  EXPECT_TRUE(window->MergeTiles());

  // Selecting several files again chooses merging again.
  Find<QRadioButton>("RadioButtonSep")->click();
  dialogs->ntfAnswers.push_back({"/e/b.ntf", "/e/a.ntf"});
  window->SelectNtfFiles();
  EXPECT_TRUE(window->MergeTiles());
  EXPECT_TRUE(Find<QRadioButton>("RadioButtonMerge")->isChecked());
  EXPECT_EQ(mif->text(), "/e/a etc.mif");
}

TEST_F(WindowTest, MergeWithAnEmptyListClearsTheName) {
  Find<QLineEdit>("EditMIF_File")->setText("/x/typed.mif");
  Find<QRadioButton>("RadioButtonMerge")->click();
  EXPECT_TRUE(Find<QLineEdit>("EditMIF_File")->text().isEmpty());
}

TEST_F(WindowTest, CancelledDialogsChangeNothing) {
  dialogs->ntfAnswers.push_back({"/d/SK12.ntf", "/d/SK11.ntf"});
  window->SelectNtfFiles();
  Find<QLineEdit>("EditMIF_File")->setText("/d/mine.mif");
  window->findChild<QLabel*>("LabelStatus")->setText("Translation complete");
  dialogs->ntfAnswers.push_back({});  // cancel
  Find<QPushButton>("BitBtnOpenNTF_Files")->click();
  EXPECT_EQ(ListEntries(Find<QListWidget>("ListBoxNTF_Files")), QStringList({"/d/SK11.ntf", "/d/SK12.ntf"}));
  EXPECT_EQ(Find<QLineEdit>("EditMIF_File")->text(), "/d/mine.mif");
  EXPECT_EQ(Find<QLabel>("LabelStatus")->text(), "Translation complete");
  Find<QPushButton>("BitBtnSaveMIF")->click();  // cancelled too
  EXPECT_EQ(Find<QLineEdit>("EditMIF_File")->text(), "/d/mine.mif");
  dialogs->mifAnswers.push_back("/d/chosen.mif");
  Find<QPushButton>("BitBtnSaveMIF")->click();
  EXPECT_EQ(Find<QLineEdit>("EditMIF_File")->text(), "/d/chosen.mif");
}

TEST_F(WindowTest, TheSplashPanelCoversTheDisabledWindowForTwoSeconds) {
  window->show();
  window->StartSplash(2000);
  auto* splash = Find<QWidget>("PanelSplash");
  EXPECT_FALSE(window->isEnabled());
  EXPECT_TRUE(splash->isVisible());
  // A click on Translate does nothing while the window is disabled.
  QTest::mouseClick(Find<QPushButton>("BitBtnTranslate"), Qt::LeftButton);
  EXPECT_TRUE(boxes->shown.empty());
  QTest::qWait(1000);
  EXPECT_FALSE(window->isEnabled());
  QTRY_VERIFY_WITH_TIMEOUT(window->isEnabled(), 3000);
  EXPECT_FALSE(splash->isVisible());
  QTest::mouseClick(Find<QPushButton>("BitBtnTranslate"), Qt::LeftButton);
  ASSERT_EQ(boxes->shown.size(), 1u);
  EXPECT_EQ(boxes->shown[0].text, "No NTF files have been selected!");
  EXPECT_EQ(boxes->shown[0].kind, MessageKind::Error);
}

TEST_F(WindowTest, ExtractFollowsTheCheckBox) {
  Find<QCheckBox>("CheckBoxNetWorkData")->click();
  EXPECT_TRUE(window->Settings().extractNetworkData);
  Find<QCheckBox>("CheckBoxNetWorkData")->click();
  EXPECT_FALSE(window->Settings().extractNetworkData);
}

TEST_F(WindowTest, AWholeRunOfOneTileShowsItsFiguresAndWritesTheExpectedFiles) {
  const QString tile = Example("codepoint_small.ntf");
  dialogs->ntfAnswers.push_back({tile});
  window->show();
  window->SelectNtfFiles();
  // The status band and controls during the run, seen from the first pump.
  bool sawBusy = false, controlsDisabled = false, othersEnabled = false;
  QTimer::singleShot(0, window.get(), [&] {
    sawBusy = window->cursor().shape() == Qt::WaitCursor;
    // Translate has become Stop.
    controlsDisabled = Find<QPushButton>("BitBtnTranslate")->text() == "Sto&p" &&
                       !Find<QPushButton>("BitBtnOpenNTF_Files")->isEnabled() &&
                       !Find<QPushButton>("BitBtnSaveMIF")->isEnabled() && !Find<QCheckBox>("CheckBoxNetWorkData")->isEnabled();
    othersEnabled = Find<QPushButton>("BitBtnHelp")->isEnabled() && Find<QPushButton>("ButtonAbout")->isEnabled() &&
                    Find<QPushButton>("ButtonOptions")->isEnabled() && Find<QPushButton>("BitBtnClose")->isEnabled();
  });
  Find<QPushButton>("BitBtnTranslate")->click();
  EXPECT_TRUE(sawBusy);
  EXPECT_TRUE(controlsDisabled);
  EXPECT_TRUE(othersEnabled);
  EXPECT_TRUE(boxes->shown.empty());
  EXPECT_EQ(Find<QLabel>("LabelStatus")->text(), "Translation complete.");
  EXPECT_EQ(Find<QLabel>("LabelNumberOfRecordsRead")->text(), "28");
  EXPECT_EQ(Find<QLabel>("LabelNumberOfObjectsCreated")->text(), "9");
  EXPECT_EQ(Find<QLabel>("LabelNumberOfFilesSelected")->text(), "1");
  EXPECT_EQ(Find<QLabel>("LabelNumberOfFilesTranslated")->text(), "1");
  EXPECT_EQ(Find<QProgressBar>("ProgressBarConversion")->value(), 0);
  EXPECT_NE(window->cursor().shape(), Qt::WaitCursor);
  EXPECT_TRUE(Find<QPushButton>("BitBtnTranslate")->isEnabled());
  EXPECT_TRUE(Find<QCheckBox>("CheckBoxNetWorkData")->isEnabled());
  EXPECT_GT(window->Pumping().calls, 0);
  EXPECT_GE(window->Pumping().pumps, 1);

  const QString expected = SourceDir() + "/tests/e2e/expected/codepoint_small/codepoint_small";
  EXPECT_EQ(ReadAll(Scratch("codepoint_small.mif")), ReadAll(expected + ".mif"));
  EXPECT_EQ(ReadAll(Scratch("codepoint_small.mid")), ReadAll(expected + ".mid"));
}

TEST_F(WindowTest, EachRunCountsItsOwnRecordsAndKeepsTheProductName) {
  dialogs->ntfAnswers.push_back({Example("codepoint_small.ntf")});
  window->SelectNtfFiles();
  window->StartTranslationRun();
  EXPECT_EQ(Find<QLabel>("LabelNumberOfRecordsRead")->text(), "28");
  // The second run starts by naming the product of the last file recognised.
  QString statusAtStart;
  QTimer::singleShot(0, window.get(), [&] { statusAtStart = Find<QLabel>("LabelStatus")->text(); });
  window->StartTranslationRun();
  EXPECT_EQ(Find<QLabel>("LabelNumberOfRecordsRead")->text(), "28");
  EXPECT_EQ(window->LastRun().recordsRead, 28);
  EXPECT_TRUE(statusAtStart.startsWith("Translating Code Point tile ")) << statusAtStart.toStdString();
}

TEST_F(WindowTest, AMifNameTypedWithoutItsExtensionGetsOne) {
  dialogs->ntfAnswers.push_back({Example("codepoint_small.ntf")});
  window->SelectNtfFiles();
  Find<QLineEdit>("EditMIF_File")->setText(Scratch("typed"));
  window->StartTranslationRun();
  EXPECT_TRUE(QFile::exists(Scratch("typed.mif")));
  EXPECT_TRUE(QFile::exists(Scratch("typed.mid")));
  EXPECT_EQ(MifNameFromField("  "), QString());
  EXPECT_EQ(MifNameFromField("/a/b.MIF"), "/a/b.MIF");
}

TEST_F(WindowTest, AMergedRunShowsEachMessageAndTheRunTotal) {
  const QString a = Example("codepoint_small.ntf", "a_codepoint.ntf");
  const QString b = Example("unknown_small.ntf", "b_unknown.ntf");
  const QString c = Example("meridian1_small.ntf", "c_meridian1.ntf");
  dialogs->ntfAnswers.push_back({c, a, b});
  window->SelectNtfFiles();
  EXPECT_EQ(Find<QLineEdit>("EditMIF_File")->text(), Scratch("a_codepoint etc.mif"));
  window->StartTranslationRun();
  ASSERT_EQ(boxes->shown.size(), 2u);
  EXPECT_EQ(boxes->shown[0].kind, MessageKind::Warning);
  EXPECT_TRUE(boxes->shown[0].text.startsWith(b + ": Not translated: ")) << boxes->shown[0].text.toStdString();
  EXPECT_EQ(boxes->shown[1].kind, MessageKind::Information);
  EXPECT_EQ(boxes->shown[1].text, c + ": Not translated: this is Meridian 1 data; Quorvel translates Meridian 2 only.");
  EXPECT_EQ(Find<QLabel>("LabelStatus")->text(), "Translation complete");
  EXPECT_EQ(Find<QLabel>("LabelNumberOfRecordsRead")->text(), "28");
  // Only the Code-Point tile was translated: Meridian 1 and the unknown
  // product were not.
  EXPECT_EQ(Find<QLabel>("LabelNumberOfFilesTranslated")->text(), "1");
  EXPECT_EQ(Find<QLabel>("LabelNumberOfFilesSelected")->text(), "3");
  EXPECT_TRUE(QFile::exists(Scratch("a_codepoint etc.mif")));
}

TEST_F(WindowTest, SeparateTilesAreNamedAfterEachFile) {
  dialogs->ntfAnswers.push_back({Example("codepoint_small.ntf", "SK13.ntf"), Example("codepoint_small.ntf", "SK12.ntf")});
  window->SelectNtfFiles();
  Find<QRadioButton>("RadioButtonSep")->click();
  window->StartTranslationRun();
  EXPECT_TRUE(boxes->shown.empty());
  EXPECT_TRUE(QFile::exists(Scratch("SK12.mif")));
  EXPECT_TRUE(QFile::exists(Scratch("SK13.mid")));
  EXPECT_FALSE(QFile::exists(Scratch("<Auto name>")));
  EXPECT_EQ(Find<QLabel>("LabelStatus")->text(), "Translation complete");
  EXPECT_EQ(Find<QLabel>("LabelNumberOfRecordsRead")->text(), "56");
  // A run re-enables "&Change..." even in separate-tiles mode.
  EXPECT_TRUE(Find<QPushButton>("BitBtnSaveMIF")->isEnabled());
}

// Earlier output is replaced only when the user agrees, asked once per run.
TEST_F(WindowTest, ReplacingEarlierOutputIsAskedOnceListingTheFiles) {
  dialogs->ntfAnswers.push_back({Example("landline_small.ntf")});
  window->SelectNtfFiles();
  const QString mif = Find<QLineEdit>("EditMIF_File")->text();
  window->StartTranslationRun();
  ASSERT_TRUE(QFile::exists(mif));
  EXPECT_TRUE(boxes->replaceAsked.isEmpty());
  QFile edited(mif);
  ASSERT_TRUE(edited.open(QIODevice::WriteOnly | QIODevice::Truncate));
  edited.write("kept");
  edited.close();
  boxes->replace = false;
  window->StartTranslationRun();
  EXPECT_EQ(boxes->replaceAsked.size(), 4);  // the main and text pairs, in one question
  EXPECT_TRUE(boxes->replaceAsked.contains(mif));
  EXPECT_EQ(ReadAll(mif), "kept");
  EXPECT_EQ(window->LastRun().status, RunResult::Status::NotReplaced);
  boxes->replace = true;
  window->StartTranslationRun();
  EXPECT_TRUE(ReadAll(mif).startsWith("Version"));
}

TEST_F(WindowTest, AMissingOutputFolderWarnsAndReenablesTheControls) {
  dialogs->ntfAnswers.push_back({Example("codepoint_small.ntf")});
  window->SelectNtfFiles();
  Find<QLineEdit>("EditMIF_File")->setText(Scratch("no/such/folder/out.mif"));
  window->StartTranslationRun();
  ASSERT_EQ(boxes->shown.size(), 1u);
  EXPECT_EQ(boxes->shown[0].kind, MessageKind::Warning);
  EXPECT_EQ(boxes->shown[0].text, Scratch("no/such/folder/out.mif") + ": Unable to open MIF file: No such file or directory");
  EXPECT_TRUE(Find<QPushButton>("BitBtnTranslate")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("BitBtnOpenNTF_Files")->isEnabled());
  EXPECT_NE(window->cursor().shape(), Qt::WaitCursor);
}

TEST_F(WindowTest, AModalDialogOpenedDuringARunHoldsIt) {
  dialogs->ntfAnswers.push_back({Example("codepoint_small.ntf")});
  window->show();
  window->SelectNtfFiles();
  bool heldWhileOpen = false;
  QTimer::singleShot(0, window.get(), [&] { Find<QPushButton>("ButtonOptions")->click(); });
  QTimer::singleShot(100, window.get(), [&] {
    // The options dialog is open inside the run's event pump: the run has
    // not gone on. The run's options are fixed: a text option cannot be
    // chosen now (the run took them when it started).
    heldWhileOpen = window->IsRunning() && window->Options()->isVisible() &&
                    Find<QLabel>("LabelNumberOfFilesTranslated")->text() == "0";
    window->Options()->findChild<QRadioButton*>("RadioButtonIgnore")->click();
    window->Options()->accept();
  });
  window->StartTranslationRun();
  EXPECT_TRUE(heldWhileOpen);
  EXPECT_EQ(window->Settings().text, TextOption::Separate);
  EXPECT_EQ(Find<QLabel>("LabelNumberOfFilesTranslated")->text(), "1");
  // After the run the choice is free again.
  window->Options()->findChild<QRadioButton*>("RadioButtonIgnore")->click();
  EXPECT_EQ(window->Settings().text, TextOption::Ignore);
}

TEST_F(WindowTest, ClosingDuringARunAsksThenStopsKeepingWhatWasWritten) {
  dialogs->ntfAnswers.push_back({Example("codepoint_small.ntf")});
  window->show();
  window->SelectNtfFiles();
  // Declined: the run goes on to the end and the window stays.
  boxes->confirmAnswer = false;
  QTimer::singleShot(0, window.get(), [&] { Find<QPushButton>("BitBtnClose")->click(); });
  window->StartTranslationRun();
  EXPECT_EQ(boxes->confirmations, 1);
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->LastRun().stopped);
  EXPECT_EQ(Find<QLabel>("LabelNumberOfObjectsCreated")->text(), "9");

  // Confirmed: the run stops after the current record, closes its files
  // and the window closes.
  boxes->confirmAnswer = true;
  QTimer::singleShot(0, window.get(), [&] { window->close(); });
  window->StartTranslationRun();
  EXPECT_EQ(boxes->confirmations, 2);
  EXPECT_TRUE(window->LastRun().stopped);
  EXPECT_FALSE(window->LastRun().AllTranslated());
  EXPECT_EQ(Find<QLabel>("LabelStatus")->text(), "Translation stopped: nothing written");
  EXPECT_FALSE(window->isVisible());
  EXPECT_LT(window->LastRun().recordsRead, 28);
  const QString mif = ReadAll(Scratch("codepoint_small.mif"));
  EXPECT_TRUE(mif.startsWith("Version")) << mif.left(40).toStdString();
  EXPECT_TRUE(QFile::exists(Scratch("codepoint_small.mid")));
}

TEST_F(WindowTest, ClosingDuringAMergedRunStopsBeforeTheNextFile) {
  dialogs->ntfAnswers.push_back({Example("codepoint_small.ntf", "SK11.ntf"), Example("codepoint_small.ntf", "SK12.ntf")});
  window->show();
  window->SelectNtfFiles();
  QTimer::singleShot(0, window.get(), [&] { window->close(); });
  window->StartTranslationRun();
  EXPECT_TRUE(window->LastRun().stopped);
  EXPECT_EQ(window->LastRun().recordsRead, 1);
  // The first tile was read (the stop cut it short), but the stopped set
  // was not written.
  EXPECT_EQ(window->LastRun().filesTranslated + window->LastRun().filesCutShort, 1u);
  EXPECT_EQ(Find<QLabel>("LabelNumberOfFilesTranslated")->text(), "0");
  EXPECT_EQ(Find<QLabel>("LabelNumberOfObjectsCreated")->text(), "0");
  EXPECT_EQ(Find<QLabel>("LabelStatus")->text(), "Translation stopped: nothing written");
  // A stopped set is discarded: nothing half-written is put in place.
  EXPECT_FALSE(QFile::exists(Scratch("SK11 etc.mif")));
  EXPECT_FALSE(window->isVisible());
}

// After a stop the Map offers only what the run wrote: not an older file
// that happens to carry the set's name.
TEST_F(WindowTest, AfterAStopTheMapIsNotOfferedForAnOlderFileOfThatName) {
  dialogs->ntfAnswers.push_back({Example("codepoint_small.ntf", "SK11.ntf"), Example("codepoint_small.ntf", "SK12.ntf")});
  window->show();
  window->SelectNtfFiles();
  Find<QLineEdit>("EditMIF_File")->setText(Scratch("older.mif"));
  QFile older(Scratch("older.mif"));
  ASSERT_TRUE(older.open(QIODevice::WriteOnly));
  older.write("earlier\n");
  older.close();
  QTimer::singleShot(0, window.get(), [&] { window->RequestStop(); });
  window->StartTranslationRun();
  EXPECT_TRUE(window->LastRun().stopped);
  EXPECT_TRUE(window->LastRun().sets.empty());
  EXPECT_TRUE(window->LastRunSets().isEmpty());
  EXPECT_FALSE(Find<QPushButton>("ButtonMap")->isEnabled());
  EXPECT_EQ(Find<QLabel>("LabelNumberOfObjectsCreated")->text(), "0");
  EXPECT_EQ(ReadAll(Scratch("older.mif")), "earlier\n");
}

TEST_F(WindowTest, ALongRunPumpsEventsOnlyEveryFewTensOfMilliseconds) {
  ntfgen::Options options;
  options.size = ntfgen::Size::Full;
  const std::string text = ntfgen::FindGenerator("codepoint")->generate(options);
  QFile tile(Scratch("full.ntf"));
  ASSERT_TRUE(tile.open(QIODevice::WriteOnly));
  tile.write(text.data(), static_cast<qint64>(text.size()));
  tile.close();
  dialogs->ntfAnswers.push_back({Scratch("full.ntf")});
  window->show();
  window->SelectNtfFiles();
  QElapsedTimer clock;
  clock.start();
  window->StartTranslationRun();
  const qint64 ms = clock.elapsed();
  const PumpStatistics& p = window->Pumping();
  EXPECT_TRUE(window->LastRun().AllTranslated());
  EXPECT_GT(p.calls, window->LastRun().recordsRead);  // at least once per record
  EXPECT_GE(p.pumps, 1);
  EXPECT_LE(p.pumps, ms / MainWindow::kPumpIntervalMs + 2);
}

TEST_F(WindowTest, HelpOpensAWindowWithContentsAndIndex) {
  Find<QPushButton>("BitBtnHelp")->click();
  ASSERT_TRUE(window->Help()->isVisible());
  auto* contents = window->Help()->findChild<QWidget*>("HelpContents");
  auto* index = window->Help()->findChild<QListWidget*>("HelpIndex");
  ASSERT_NE(contents, nullptr);
  ASSERT_NE(index, nullptr);
  EXPECT_GT(index->count(), 20);
  window->Help()->findChild<QLineEdit*>("HelpIndexFilter")->setText("separate t");
  ASSERT_NE(index->currentItem(), nullptr);
  EXPECT_EQ(index->currentItem()->text(), "Separate text");
  window->show();
  window->close();
  EXPECT_FALSE(window->Help()->isVisible());
}

}  // namespace
}  // namespace quorvel::gui::test
