// The window as a desktop application: the figures a run ends with, the run
// log, Stop, the keyboard, files from the command line and from drops, the
// window's size kept between starts, and the desktop entry.
#include <QDir>
#include <map>
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QXmlStreamReader>
#include <limits>

#include "dialogs.hpp"
#include "gui_fixture.hpp"
#include "help_window.hpp"
#include "ini_file.hpp"
#include "map_view.hpp"
#include "ntfgen/generators.hpp"

namespace quorvel::gui::test {
namespace {

QString Text(const MainWindow& w, const char* name) { return w.findChild<QLabel*>(QString::fromLatin1(name))->text(); }

// Writes a generated tile of the product and size.
void WriteTile(const QString& path, const char* product, ntfgen::Size size = ntfgen::Size::Small) {
  ntfgen::Options options;
  options.size = size;
  const std::string text = ntfgen::FindGenerator(product)->generate(options);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text.data(), static_cast<qint64>(text.size()));
}

// ---------------------------------------------------------------------------
// The figures after a run.

// The run's objects are each file's own count added up. The core refreshes
// the count every ten objects while a file runs and sends a file's exact
// count only when it has one (the last file, a replayed set), so a file
// before the last may be short by up to nine.
void ExpectObjectsOfFiles(const MainWindow& w, std::int64_t exactSum, int filesBeforeTheLast) {
  const std::int64_t total = w.LastRunObjects();
  EXPECT_LE(total, exactSum);
  EXPECT_GE(total, exactSum - 9 * filesBeforeTheLast);
  EXPECT_EQ(w.findChild<QLabel*>("LabelNumberOfObjectsCreated")->text(), QString::number(total));
}

TEST_F(WindowTest, AMergedRunWithARefusedTileCountsOnlyTranslatedFilesAndEveryObject) {
  const QString a = Example("codepoint_small.ntf", "SK11.ntf");
  const QString b = Example("unknown_small.ntf", "SK12.ntf");
  const QString c = Example("codepoint_small.ntf", "SK13.ntf");
  dialogs->ntfAnswers.push_back({a, b, c});
  window->SelectNtfFiles();
  window->StartTranslationRun();
  EXPECT_EQ(window->LastRun().filesTranslated, 2u);
  EXPECT_EQ(window->LastRun().filesSkipped, 1u);
  EXPECT_EQ(Text(*window, "LabelNumberOfFilesTranslated"), "2");
  EXPECT_EQ(Text(*window, "LabelNumberOfFilesSelected"), "3");
  // Both Code-Point tiles' objects (9 each), not the last file's.
  ExpectObjectsOfFiles(*window, 18, 1);
  EXPECT_EQ(Text(*window, "LabelNumberOfRecordsRead"), "56");
  EXPECT_EQ(Text(*window, "LabelStatus"), "Translation complete");
  EXPECT_EQ(Find<QProgressBar>("ProgressBarConversion")->value(), 0);
  // One line says what went wrong and opens the log.
  auto* problems = Find<QPushButton>("ButtonProblems");
  EXPECT_FALSE(problems->isHidden());
  EXPECT_TRUE(problems->text().startsWith("1 of 3 files skipped")) << problems->text().toStdString();
  EXPECT_FALSE(window->LogShown());
  problems->click();
  EXPECT_TRUE(window->LogShown());
}

TEST_F(WindowTest, ASeparateRunSumsTheObjectsOfItsTilesAndOffersTheMap) {
  const QString a = Example("codepoint_small.ntf", "SK11.ntf");
  const QString b = Example("unknown_small.ntf", "SK12.ntf");
  const QString c = Example("codepoint_small.ntf", "SK13.ntf");
  dialogs->ntfAnswers.push_back({a, b, c});
  window->SelectNtfFiles();
  Find<QRadioButton>("RadioButtonSep")->click();
  auto* map = Find<QPushButton>("ButtonMap");
  EXPECT_FALSE(map->isEnabled());
  window->StartTranslationRun();
  EXPECT_EQ(Text(*window, "LabelNumberOfFilesTranslated"), "2");
  ExpectObjectsOfFiles(*window, 18, 1);
  EXPECT_EQ(Text(*window, "LabelStatus"), "Translation complete");
  // The map shows the sets that were written: the refused tile has none.
  EXPECT_EQ(window->LastRunSets(), QStringList({Scratch("SK11.mif"), Scratch("SK13.mif")}));
  ASSERT_TRUE(map->isEnabled());
  map->click();
  ASSERT_NE(window->Map(), nullptr);
  EXPECT_TRUE(window->Map()->isVisible());
  EXPECT_TRUE(window->Map()->Errors().isEmpty()) << window->Map()->Errors().toStdString();
  window->Map()->close();
}

TEST_F(WindowTest, AnOutputErrorEndsWithAFailureInTheStatusLineAndNoMap) {
  dialogs->ntfAnswers.push_back({Example("codepoint_small.ntf", "SK11.ntf"), Example("codepoint_small.ntf", "SK12.ntf")});
  window->SelectNtfFiles();
  Find<QLineEdit>("EditMIF_File")->setText(Scratch("no/such/folder/out.mif"));
  window->StartTranslationRun();
  EXPECT_EQ(window->LastRun().status, RunResult::Status::OutputFailed);
  const QString status = Text(*window, "LabelStatus");
  EXPECT_EQ(status, "Translation failed: " + Scratch("no/such/folder/out.mif") +
                        ": Unable to open MIF file: No such file or directory");
  EXPECT_EQ(Text(*window, "LabelNumberOfFilesTranslated"), "0");
  EXPECT_FALSE(Find<QPushButton>("ButtonMap")->isEnabled());
  EXPECT_EQ(Find<QPushButton>("BitBtnTranslate")->text(), "&Translate");
}

TEST_F(WindowTest, WhileAFileRunsTheFiguresAreItsOwnAndTheBarEndsBeforeTheNextFile) {
  // The calls a run makes for two files, the figures refreshed after each
  // step as a pump would.
  auto* bar = Find<QProgressBar>("ProgressBarConversion");
  window->SetProgressMaximum(200);
  window->ShowObjectsCreated(5);
  window->SetProgress(150);
  window->EnableRunControls();
  EXPECT_EQ(Text(*window, "LabelNumberOfObjectsCreated"), "5");
  EXPECT_EQ(bar->value(), 150);
  window->ShowFilesTranslated(1);
  window->SetProgress(0);  // between files
  window->EnableRunControls();
  EXPECT_EQ(bar->value(), 200);  // the first file's end is shown
  window->SetProgressMaximum(50);
  EXPECT_EQ(bar->value(), 0);
  window->ShowObjectsCreated(3);
  window->EnableRunControls();
  EXPECT_EQ(Text(*window, "LabelNumberOfObjectsCreated"), "3");  // the second file's own
}

// A run takes its options when it starts: while it goes on the Options
// show them but cannot change them (the default folder can), and say why.
TEST_F(WindowTest, OptionsAreFixedWhileARunGoesOnAndFreeAfterIt) {
  dialogs->ntfAnswers.push_back({Example("codepoint_small.ntf")});
  window->SelectNtfFiles();
  auto* options = window->findChild<QDialog*>("TFormOptions");
  ASSERT_NE(options, nullptr);
  auto enabled = [&](const char* name) { return options->findChild<QWidget*>(name)->isEnabled(); };
  std::map<std::string, bool> during;
  QString why;
  QTimer::singleShot(0, window.get(), [&] {
    for (const char* name : {"GroupBoxText", "GroupBoxSymbols", "ButtonLandLine", "ButtonStrategi", "ButtonDefaultFolder",
                             "ButtonClose"})
      during[name] = enabled(name);
    why = options->findChild<QWidget*>("GroupBoxText")->toolTip();
  });
  window->StartTranslationRun();
  ASSERT_EQ(during.size(), 6u) << "the check ran during the run";
  EXPECT_FALSE(during["GroupBoxText"]);
  EXPECT_FALSE(during["GroupBoxSymbols"]);
  EXPECT_FALSE(during["ButtonLandLine"]);
  EXPECT_FALSE(during["ButtonStrategi"]);
  EXPECT_TRUE(during["ButtonDefaultFolder"]);
  EXPECT_TRUE(during["ButtonClose"]);
  EXPECT_TRUE(why.contains("next")) << why.toStdString();
  for (const char* name : {"GroupBoxText", "GroupBoxSymbols", "ButtonLandLine", "ButtonStrategi"})
    EXPECT_TRUE(enabled(name)) << name << " after the run";
  EXPECT_TRUE(options->findChild<QWidget*>("GroupBoxText")->toolTip().isEmpty());
}

TEST_F(WindowTest, TheRunsObjectsAreWhatItWroteWhateverCountsCameMeanwhile) {
  dialogs->ntfAnswers.push_back({Example("codepoint_small.ntf")});
  window->SelectNtfFiles();
  // Before the real tile: counts sent while each file runs, a file that
  // could not be loaded, and counts sent after a file was handled (as a
  // replayed set sends them).
  QTimer::singleShot(0, window.get(), [&] {
    window->SetProgressMaximum(10);
    window->ShowObjectsCreated(10);
    window->ShowObjectsCreated(20);
    window->ShowFilesTranslated(1);
    window->SetProgressMaximum(10);
    window->ShowObjectsCreated(10);
    window->ShowFilesTranslated(2);
    window->ShowObjectsCreated(14);  // the exact count of the file just handled
    window->ShowFilesTranslated(3);  // never loaded
    window->ShowFilesTranslated(4);
    window->ShowObjectsCreated(7);
    window->ShowObjectsCreated(7);
  });
  window->StartTranslationRun();
  // Whatever counts came while it ran, the figure at the end is the run's
  // own account of what it wrote: the real tile's 9 objects.
  EXPECT_EQ(window->LastRunObjects(), 9);
  EXPECT_EQ(window->LastRunObjects(), window->LastRun().ObjectsWritten());
  EXPECT_EQ(Text(*window, "LabelNumberOfObjectsCreated"), "9");
}

// ---------------------------------------------------------------------------
// Messages of a run of several files.

TEST_F(WindowTest, EveryMessageOfASeveralFileRunGoesToTheLogAndTheBoxCanBeSilenced) {
  QStringList files{Example("codepoint_small.ntf", "SK10.ntf")};
  for (const char* name : {"SK11.ntf", "SK12.ntf", "SK13.ntf"}) files << Example("unknown_small.ntf", name);
  dialogs->ntfAnswers.push_back(files);
  window->SelectNtfFiles();
  boxes->dontShowAgainAt = 1;  // checked in the first box
  window->StartTranslationRun();
  ASSERT_EQ(boxes->shown.size(), 1u);
  EXPECT_TRUE(boxes->shown[0].inRun);
  auto* log = Find<QTreeWidget>("TreeRunLog");
  ASSERT_EQ(log->topLevelItemCount(), 3);
  for (int i = 0; i < 3; ++i) {
    QTreeWidgetItem* item = log->topLevelItem(i);
    EXPECT_EQ(item->text(0), "Warning");
    EXPECT_EQ(item->text(1), QStringLiteral("SK1%1.ntf").arg(i + 1));
    EXPECT_EQ(item->toolTip(1), files[i + 1]);
    EXPECT_TRUE(item->text(2).startsWith("Not translated: not a product")) << item->text(2).toStdString();
  }
  EXPECT_TRUE(Find<QPushButton>("ButtonProblems")->text().startsWith("3 of 4 files skipped"));

  // The next run shows its boxes again, and its own log.
  boxes->dontShowAgainAt = 0;
  window->StartTranslationRun();
  EXPECT_EQ(boxes->shown.size(), 4u);
  EXPECT_EQ(log->topLevelItemCount(), 3);

  // Copy puts the lines, tab-separated, on the clipboard.
  log->clearSelection();
  window->ShowLog(true);
  Find<QPushButton>("ButtonCopyLog")->click();
  const QStringList lines = QGuiApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[0].startsWith("Warning\tSK11.ntf\tNot translated: ")) << lines[0].toStdString();
}

TEST_F(WindowTest, ARunOfOneFileKeepsThePlainMessageBox) {
  dialogs->ntfAnswers.push_back({Example("unknown_small.ntf")});
  window->SelectNtfFiles();
  window->StartTranslationRun();
  ASSERT_EQ(boxes->shown.size(), 1u);
  EXPECT_FALSE(boxes->shown[0].inRun);
  EXPECT_TRUE(Find<QPushButton>("ButtonProblems")->isHidden());
  EXPECT_EQ(Text(*window, "LabelNumberOfFilesTranslated"), "0");
}

TEST(QtMessageBoxesTest, TheRunsBoxOffersDontShowAgain) {
  QtMessageBoxes boxes;
  for (bool check : {false, true}) {
    QString caption;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      ASSERT_NE(box->checkBox(), nullptr);
      caption = box->checkBox()->text();
      box->checkBox()->setChecked(check);
      box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(boxes.ShowInRun(nullptr, MessageKind::Warning, "Not translated: a.ntf"), check);
    EXPECT_EQ(caption, "&Don't show again in this run");
  }
}

// ---------------------------------------------------------------------------
// Stop.

class StopTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    WriteTile(Scratch("full.ntf"), "codepoint", ntfgen::Size::Full);
    dialogs->ntfAnswers.push_back({Scratch("full.ntf")});
    window->show();
    window->SelectNtfFiles();
  }
  void ExpectStopped() {
    EXPECT_TRUE(window->LastRun().stopped);
    EXPECT_LT(window->LastRun().recordsRead, 150000);
    // One tile stopped: its set is not written, and the status says so.
    EXPECT_EQ(Text(*window, "LabelStatus"), "Translation stopped: nothing written");
    EXPECT_TRUE(window->LastRun().sets.empty());
    EXPECT_EQ(Text(*window, "LabelNumberOfObjectsCreated"), "0");
    EXPECT_EQ(Find<QPushButton>("BitBtnTranslate")->text(), "&Translate");
    EXPECT_TRUE(window->isVisible());  // Stop is not Close
    // The set being written is discarded, and no temporary is left.
    EXPECT_FALSE(QFile::exists(Scratch("full.mif")));
    EXPECT_EQ(QDir(Scratch("")).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".tmp")).size(), 0);
  }
};

TEST_F(StopTest, TranslateBecomesStopWhileARunGoesOn) {
  auto* button = Find<QPushButton>("BitBtnTranslate");
  QString caption;
  bool enabled = false;
  QTimer::singleShot(0, window.get(), [&] {
    caption = button->text();
    enabled = button->isEnabled();
    button->click();
  });
  button->click();
  EXPECT_EQ(caption, "Sto&p");
  EXPECT_TRUE(enabled);
  EXPECT_EQ(boxes->confirmations, 0);
  ExpectStopped();
}

TEST_F(StopTest, EscStopsTheRun) {
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QTimer::singleShot(0, window.get(), [&] { QTest::keyClick(window.get(), Qt::Key_Escape); });
  window->StartTranslationRun();
  ExpectStopped();
}

// A window whose user presses Stop once the run has read some records.
class StopAfterRecords : public MainWindow {
 public:
  using MainWindow::MainWindow;
  std::int64_t stopAt = 1000;
  void ShowRecordsRead(std::int64_t count) override {
    MainWindow::ShowRecordsRead(count);
    if (count >= stopAt) RequestStop();
  }
};

TEST_F(StopTest, AStopAfterSomeRecordsEndsTheRunWithWhatWasWritten) {
  auto owned = std::make_unique<StopAfterRecords>(iniPath);
  StopAfterRecords* stopping = owned.get();
  window = std::move(owned);
  auto d = std::make_unique<FakeFileDialogs>();
  d->ntfAnswers.push_back({Scratch("full.ntf")});
  window->SetFileDialogs(std::move(d));
  window->SetMessageBoxes(std::make_unique<FakeMessageBoxes>());
  window->show();
  window->SelectNtfFiles();
  window->StartTranslationRun();
  ExpectStopped();
  // Stopped after the current record: the record that asked, or the next.
  EXPECT_GE(window->LastRun().recordsRead, 1000);
  EXPECT_LE(window->LastRun().recordsRead, 1011);
  EXPECT_FALSE(Find<QPushButton>("ButtonProblems")->isVisible());

  // The next run goes to its end again.
  stopping->stopAt = std::numeric_limits<std::int64_t>::max();
  window->StartTranslationRun();
  EXPECT_FALSE(window->LastRun().stopped);
  EXPECT_EQ(Text(*window, "LabelStatus"), "Translation complete.");
}

// ---------------------------------------------------------------------------
// The keyboard.

// The &-mnemonics of the controls of one window (not of the windows it owns).
QMap<QChar, QStringList> Mnemonics(QWidget* window) {
  QStringList captions;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (w->window() != window) continue;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) captions << b->text();
    else if (auto* g = qobject_cast<QGroupBox*>(w)) captions << g->title();
    else if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy()) captions << l->text();
    if (auto* t = qobject_cast<QTabWidget*>(w))
      for (int i = 0; i < t->count(); ++i) captions << t->tabText(i);
  }
  QMap<QChar, QStringList> keys;
  for (const QString& c : captions)
    for (qsizetype i = 0; i + 1 < c.size(); ++i) {
      if (c[i] != '&') continue;
      if (c[i + 1] != '&') keys[c[i + 1].toUpper()] << c;
      ++i;  // "&&" is an ampersand
    }
  return keys;
}

void ExpectUniqueMnemonics(QWidget* window, const QString& name) {
  const QMap<QChar, QStringList> keys = Mnemonics(window);
  for (auto it = keys.begin(); it != keys.end(); ++it)
    EXPECT_EQ(it.value().size(), 1) << name.toStdString() << ": Alt+" << QString(it.key()).toStdString() << " is "
                                    << it.value().join(" and ").toStdString();
}

TEST_F(WindowTest, EveryMnemonicIsUniqueInItsWindow) {
  EXPECT_GE(Mnemonics(window.get()).size(), 12);
  ExpectUniqueMnemonics(window.get(), "main window");
  ExpectUniqueMnemonics(window->Options(), "Options");
  const auto optionDialogs = window->findChildren<ProductOptionDialog*>();
  EXPECT_GE(optionDialogs.size(), 3);
  for (ProductOptionDialog* d : optionDialogs) ExpectUniqueMnemonics(d, d->windowTitle());
  ExpectUniqueMnemonics(window->FolderDialog(), "Default folder");
  ExpectUniqueMnemonics(window->AboutBox(), "About");
  ExpectUniqueMnemonics(window->Help(), "Help");
  MapWindow map;
  ExpectUniqueMnemonics(&map, "Map");

  // Stop, in Translate's place during a run, keeps its own key; so does
  // the line under the counters.
  dialogs->ntfAnswers.push_back({Example("codepoint_small.ntf", "SK11.ntf"), Example("unknown_small.ntf", "SK12.ntf")});
  window->SelectNtfFiles();
  QMap<QChar, QStringList> during;
  QTimer::singleShot(0, window.get(), [&] { during = Mnemonics(window.get()); });
  window->StartTranslationRun();
  ASSERT_FALSE(during.isEmpty());
  for (auto it = during.begin(); it != during.end(); ++it) EXPECT_EQ(it.value().size(), 1) << it.value().join(", ").toStdString();
  ASSERT_TRUE(Find<QPushButton>("ButtonProblems")->isVisibleTo(window.get()));
  ExpectUniqueMnemonics(window.get(), "main window after a run with problems");
  const QMap<QChar, QStringList> after = Mnemonics(window.get());
  for (auto it = during.begin(); it != during.end(); ++it)
    if (it.value().first() == "Sto&p") {
      EXPECT_FALSE(after.contains(it.key()));
    }
}

TEST_F(WindowTest, SeparateTilesHasItsOwnKey) {
  dialogs->ntfAnswers.push_back({"/d/SK12.ntf", "/d/SK11.ntf"});
  window->show();
  window->SelectNtfFiles();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QTest::keyClick(window.get(), Qt::Key_E, Qt::AltModifier);
  QTRY_VERIFY(Find<QRadioButton>("RadioButtonSep")->isChecked());  // a mnemonic clicks after a moment
  EXPECT_FALSE(window->MergeTiles());
  EXPECT_FALSE(window->AboutBox()->isVisible());
}

TEST_F(WindowTest, CtrlOSelectsFilesAndCtrlReturnTranslates) {
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  dialogs->ntfAnswers.push_back({Example("codepoint_small.ntf")});
  QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(dialogs->ntfFolders.size(), 1);
  EXPECT_EQ(Find<QListWidget>("ListBoxNTF_Files")->count(), 1);
  QTest::keyClick(window.get(), Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(window->LastRun().filesTranslated, 1u);
  EXPECT_TRUE(QFile::exists(Scratch("codepoint_small.mif")));
}

TEST_F(WindowTest, EscAndCtrlWCloseHelp) {
  for (bool ctrlW : {false, true}) {
    window->ShowHelp();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window->Help()));
    if (ctrlW) QTest::keyClick(window->Help(), Qt::Key_W, Qt::ControlModifier);
    else QTest::keyClick(window->Help(), Qt::Key_Escape);
    EXPECT_FALSE(window->Help()->isVisible()) << (ctrlW ? "Ctrl+W" : "Esc");
  }
}

TEST_F(WindowTest, CtrlWClosesEveryDialog) {
  std::vector<QDialog*> all{window->Options(), window->FolderDialog(), window->AboutBox()};
  for (ProductOptionDialog* d : window->findChildren<ProductOptionDialog*>()) all.push_back(d);
  for (QDialog* d : all) {
    bool closedByKey = false;
    QTimer::singleShot(0, d, [&] {
      if (QTest::qWaitForWindowActive(d)) QTest::keyClick(d, Qt::Key_W, Qt::ControlModifier);
      closedByKey = !d->isVisible();
      if (!closedByKey) d->reject();
    });
    d->exec();
    EXPECT_TRUE(closedByKey) << d->windowTitle().toStdString();
  }
}

// ---------------------------------------------------------------------------
// Files from the command line and from drops.

TEST(ArgumentsTest, FilesAfterTheProgramNameAndAfterDoubleDash) {
  EXPECT_EQ(PathsFromArguments({"quorvel-gui"}), QStringList());
  EXPECT_EQ(PathsFromArguments({"quorvel-gui", "a.ntf", "-x", "/t/b.NTF"}), QStringList({"a.ntf", "/t/b.NTF"}));
  EXPECT_EQ(PathsFromArguments({"quorvel-gui", "--", "-odd.ntf", "-"}), QStringList({"-odd.ntf", "-"}));
}

class FilesInTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    QDir(scratch.path()).mkpath("tiles");
    for (const char* name : {"tiles/b.ntf", "tiles/A.NTF", "tiles/c.txt", "x.ntf"}) {
      QFile f(Scratch(name));
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
  }
  QStringList Listed() {
    QStringList names;
    auto* list = Find<QListWidget>("ListBoxNTF_Files");
    for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
    return names;
  }
};

TEST_F(FilesInTest, FilesAndFoldersGivenAreSelectedAndTheMissingOnesNamed) {
  EXPECT_EQ(NtfFilesIn(Scratch("tiles")), QStringList({Scratch("tiles/A.NTF"), Scratch("tiles/b.ntf")}));
  window->AddPaths({Scratch("x.ntf"), Scratch("tiles"), Scratch("gone.ntf")});
  EXPECT_EQ(Listed(), QStringList({Scratch("tiles/A.NTF"), Scratch("tiles/b.ntf"), Scratch("x.ntf")}));
  EXPECT_EQ(Text(*window, "LabelNumberOfFilesSelected"), "3");
  EXPECT_EQ(Find<QLineEdit>("EditMIF_File")->text(), Scratch("tiles/A etc.mif"));
  ASSERT_EQ(boxes->shown.size(), 1u);
  EXPECT_EQ(boxes->shown[0].text, "Not added:\n" + Scratch("gone.ntf") + ": no such file or folder");
  // Given again, nothing is listed twice.
  window->AddPaths({Scratch("x.ntf")});
  EXPECT_EQ(Listed().size(), 3);
}

TEST_F(FilesInTest, ADropAddsFilesAndTheNtfFilesOfFolders) {
  window->AddPaths({Scratch("x.ntf")});
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(Scratch("tiles")), QUrl("https://example.org/remote.ntf")});
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &drop);
  EXPECT_EQ(Listed(), QStringList({Scratch("tiles/A.NTF"), Scratch("tiles/b.ntf"), Scratch("x.ntf")}));
  EXPECT_TRUE(boxes->shown.empty());

  // Something that is not a local file is not taken.
  QMimeData remote;
  remote.setUrls({QUrl("https://example.org/remote.ntf")});
  QDragEnterEvent refused(QPoint(20, 20), Qt::CopyAction, &remote, Qt::LeftButton, Qt::NoModifier);
  refused.ignore();
  QApplication::sendEvent(window.get(), &refused);
  EXPECT_FALSE(refused.isAccepted());
}

// ---------------------------------------------------------------------------
// Size, position and long paths.

TEST_F(WindowTest, TheWindowResizesAndKeepsItsGeometryBetweenStarts) {
  EXPECT_NE(window->minimumSize(), window->maximumSize());
  window->show();
  auto* list = Find<QListWidget>("ListBoxNTF_Files");
  const int listHeight = list->height();
  window->resize(window->width() + 300, window->height() + 200);
  QCoreApplication::processEvents();
  EXPECT_GT(list->height(), listHeight);
  const QSize size = window->size();
  window->close();
  EXPECT_FALSE(ReadIniValue(iniPath, kWindowSection, kGeometryKey).isEmpty());

  Build();
  EXPECT_EQ(window->size(), size);
  // A value that is not a geometry is ignored.
  ASSERT_TRUE(WriteIniValue(iniPath, kWindowSection, kGeometryKey, "not a geometry"));
  Build();
  EXPECT_NE(window->size(), size);
}

TEST_F(WindowTest, LongPathsAreElidedInTheMiddleWithTheWholePathAsTooltip) {
  const QString longPath = "/data/" + QString(40, 'x') + "/ordnance survey/" + QString(60, 'y') + "/SK1234.ntf";
  dialogs->ntfAnswers.push_back({longPath});
  window->SelectNtfFiles();
  auto* list = Find<QListWidget>("ListBoxNTF_Files");
  EXPECT_EQ(list->textElideMode(), Qt::ElideMiddle);
  EXPECT_EQ(list->item(0)->text(), longPath);
  EXPECT_EQ(list->item(0)->toolTip(), longPath);

  auto* status = Find<QLabel>("LabelStatus");
  window->ShowStatus(("Translating Land-Line tile " + longPath).toStdString());
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  status->repaint();
  EXPECT_EQ(status->text(), "Translating Land-Line tile " + longPath);  // whole text kept
  EXPECT_EQ(status->toolTip(), status->text());
  window->ShowStatus("Ready");
  status->repaint();
  EXPECT_TRUE(status->toolTip().isEmpty());
}

// ---------------------------------------------------------------------------
// The desktop entry and the NTF file type.

TEST(DesktopEntryTest, TheDesktopFileValidatesAndOpensFiles) {
  const QString tool = QStandardPaths::findExecutable("desktop-file-validate");
  ASSERT_FALSE(tool.isEmpty()) << "desktop-file-validate is missing (scripts/install-deps installs it)";
  const QString path = QStringLiteral(QUORVEL_SOURCE_DIR "/app/gui/quorvel-gui.desktop");
  QProcess p;
  p.start(tool, {path});
  ASSERT_TRUE(p.waitForFinished(30000));
  const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
  EXPECT_EQ(p.exitCode(), 0) << out.toStdString();
  EXPECT_FALSE(out.contains("error", Qt::CaseInsensitive)) << out.toStdString();
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(f.readAll());
  EXPECT_TRUE(text.contains("\nExec=quorvel-gui %F\n"));
  EXPECT_TRUE(text.contains("\nMimeType=application/x-ntf;\n"));
}

TEST(DesktopEntryTest, TheFileTypeMatchesNtfNamesAndTheVolumeHeader) {
  QFile f(QStringLiteral(QUORVEL_SOURCE_DIR "/app/gui/quorvel-ntf.xml"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&f);
  QString type;
  QStringList globs;
  QStringList magic;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const auto a = xml.attributes();
    if (xml.name() == u"mime-type") type = a.value("type").toString();
    else if (xml.name() == u"glob") globs << a.value("pattern").toString();
    else if (xml.name() == u"match") magic << a.value("offset").toString() + ":" + a.value("value").toString();
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(type, "application/x-ntf");
  EXPECT_TRUE(globs.contains("*.ntf"));
  EXPECT_TRUE(globs.contains("*.NTF"));
  EXPECT_EQ(magic, QStringList({"0:01"}));
  // Every tile the generator writes starts as the file type says.
  std::string tile = ntfgen::FindGenerator("landline")->generate({});
  EXPECT_EQ(tile.substr(0, 2), "01");
}

}  // namespace
}  // namespace quorvel::gui::test
