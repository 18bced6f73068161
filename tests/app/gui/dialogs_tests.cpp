// The option dialogs: each control sets its setting when clicked, the
// dialogs keep their states between openings, and the default folder is
// written only by "Set as &Default".
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QRegularExpression>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "dialogs.hpp"
#include "products/landline/landline_style.hpp"
#include "products/meridian/meridian2_styles.hpp"
#include "products/strategi/strategi_styles.hpp"
#include "gui_fixture.hpp"
#include "ini_file.hpp"

namespace quorvel::gui::test {
namespace {

template <typename T>
T* In(QWidget* dialog, const char* name) {
  T* w = dialog->findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(w, nullptr) << name;
  return w;
}

// Opens a dialog modally and runs `inside` while it is open.
void WhileOpen(QDialog* dialog, const std::function<void()>& inside) {
  QTimer::singleShot(0, dialog, [dialog, inside] {
    inside();
    if (dialog->isVisible()) dialog->reject();
  });
  dialog->exec();
}

TEST_F(WindowTest, TheTextOptionsExcludeEachOther) {
  QWidget* options = window->Options();
  EXPECT_EQ(options->windowTitle(), "Quorvel Options");
  auto* include = In<QRadioButton>(options, "RadioButtonInclude");
  auto* separate = In<QRadioButton>(options, "RadioButtonSeparate");
  auto* ignore = In<QRadioButton>(options, "RadioButtonIgnore");
  EXPECT_TRUE(separate->isChecked());
  EXPECT_EQ(include->toolTip(), "Include text objects in MIF");
  TranslationSettings& s = window->Settings();
  separate->click();
  ignore->click();
  EXPECT_EQ(s.text, TextOption::Ignore);
  include->click();
  EXPECT_EQ(s.text, TextOption::Include);
  separate->click();
  EXPECT_EQ(s.text, TextOption::Separate);

  In<QRadioButton>(options, "RadioButtonStandard")->click();
  EXPECT_FALSE(s.useTrueTypeSymbols);
  In<QRadioButton>(options, "RadioButtonTrueType")->click();
  EXPECT_TRUE(s.useTrueTypeSymbols);
}

TEST_F(WindowTest, TheOptionsDialogKeepsItsStatesBetweenOpenings) {
  WhileOpen(window->Options(), [&] { In<QRadioButton>(window->Options(), "RadioButtonIgnore")->click(); });
  EXPECT_FALSE(window->Options()->isVisible());
  bool stillIgnore = false;
  WhileOpen(window->Options(), [&] { stillIgnore = In<QRadioButton>(window->Options(), "RadioButtonIgnore")->isChecked(); });
  EXPECT_TRUE(stillIgnore);
  EXPECT_EQ(window->Settings().text, TextOption::Ignore);
}

TEST_F(WindowTest, TheOptionsButtonsOpenTheirDialogs) {
  struct Case {
    const char* button;
    QDialog* dialog;
  };
  for (const Case& c : {Case{"ButtonLandLine", window->OptionDialog("landline-off")},
                        Case{"ButtonMeridianHeights", window->OptionDialog("meridian-heights")},
                        Case{"ButtonStrategi", window->OptionDialog("strategi-layers")},
                        Case{"ButtonDefaultFolder", window->FolderDialog()}}) {
    bool opened = false;
    WhileOpen(window->Options(), [&] {
      QTimer::singleShot(0, c.dialog, [&] {
        opened = c.dialog->isVisible() && c.dialog->isModal();
        c.dialog->reject();
      });
      In<QPushButton>(window->Options(), c.button)->click();
    });
    EXPECT_TRUE(opened) << c.button;
  }
}

TEST_F(WindowTest, UncheckAllThenOneBoxLeavesOnlyThatEntryAndEntryEight) {
  ProductOptionDialog* ll = window->OptionDialog("landline-off");
  EXPECT_EQ(ll->objectName(), "TFormLLFeatures");
  EXPECT_EQ(ll->windowTitle(), "Land-Line features");
  EXPECT_EQ(ll->findChildren<QCheckBox*>().size(), 57);
  EXPECT_EQ(In<QPushButton>(ll, "ButtonCheckAll")->text(), "&Check all    ");
  EXPECT_EQ(ll->Box(8), nullptr);
  EXPECT_EQ(ll->Box(45)->text(), "Non-coif trees (scattered)");
  EXPECT_EQ(ll->Box(58)->text(), "Ridge/rock line");

  In<QPushButton>(ll, "ButtonUncheckAll")->click();
  ll->Box(1)->click();
  EXPECT_EQ(ll->Box(1)->text(), "Building outline");
  const TranslationSettings& s = window->Settings();
  for (int entry = 1; entry <= 58; ++entry) {
    const bool expected = entry == 1 || entry == 8;
    EXPECT_EQ(s.productOptions.EntryOn(kLandLineFeatureOption, entry), expected) << "entry " << entry;
  }
  In<QPushButton>(ll, "ButtonCheckAll")->click();
  for (int entry = 1; entry <= 58; ++entry) EXPECT_TRUE(s.productOptions.EntryOn(kLandLineFeatureOption, entry)) << entry;
}

TEST_F(WindowTest, CheckAllWhenAllAreCheckedChangesNothing) {
  ProductOptionDialog* ll = window->OptionDialog("landline-off");
  int changes = 0;
  for (QCheckBox* box : ll->findChildren<QCheckBox*>()) QObject::connect(box, &QCheckBox::toggled, [&] { ++changes; });
  In<QPushButton>(ll, "ButtonCheckAll")->click();
  EXPECT_EQ(changes, 0);
  ll->Box(30)->click();
  EXPECT_FALSE(window->Settings().productOptions.EntryOn(kLandLineFeatureOption, 30));
  In<QPushButton>(ll, "ButtonCheckAll")->click();
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(window->Settings().productOptions.EntryOn(kLandLineFeatureOption, 30));
}

TEST_F(WindowTest, HeightSymbolsFollowTheBoxEvenWithoutOK) {
  ProductOptionDialog* heights = window->OptionDialog("meridian-heights");
  EXPECT_EQ(heights->objectName(), "TFormMeridianHeights");
  EXPECT_EQ(heights->windowTitle(), "Meridian 2 height data");
  auto* box = In<QCheckBox>(heights, "CheckBoxShowHeights");
  EXPECT_FALSE(box->isChecked());
  WhileOpen(heights, [&] { box->click(); });
  EXPECT_TRUE(window->Settings().productOptions.Flag(kMeridianHeightsOption));
  // Unchecked and closed without OK: the click has already set it.
  WhileOpen(heights, [&] {
    box->click();
    heights->close();
  });
  EXPECT_FALSE(window->Settings().productOptions.Flag(kMeridianHeightsOption));
  WhileOpen(heights, [&] {
    box->click();
    In<QPushButton>(heights, "ButtonOK")->click();
  });
  EXPECT_TRUE(window->Settings().productOptions.Flag(kMeridianHeightsOption));
  EXPECT_FALSE(heights->isVisible());
}

TEST_F(WindowTest, StrategiLayerBoxesSetTheirLayersAtOnce) {
  ProductOptionDialog* strategi = window->OptionDialog("strategi-layers");
  EXPECT_EQ(strategi->objectName(), "TFormSFeatures");
  EXPECT_EQ(strategi->windowTitle(), "Strategi features");
  EXPECT_FALSE(strategi->windowFlags() & Qt::WindowCloseButtonHint);
  const char* names[] = {"CheckBoxSLayer1", "CheckBoxSLayer2", "CheckBoxSLayer3", "CheckBoxSLayer4",
                         "CheckBoxSLayer5", "CheckBoxSlayer6", "CheckBoxSLayer7", "CheckBoxSlayer8"};
  for (int layer = 1; layer <= 8; ++layer) {
    auto* box = In<QCheckBox>(strategi, names[layer - 1]);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(box->text(), FromView(kStrategiLayerOption.EntryBoxes()[static_cast<std::size_t>(layer - 1)].caption));
  }
  In<QCheckBox>(strategi, "CheckBoxSLayer5")->click();
  EXPECT_FALSE(window->Settings().productOptions.EntryOn(kStrategiLayerOption, 5));
  for (int layer : {1, 2, 3, 4, 6, 7, 8}) EXPECT_TRUE(window->Settings().productOptions.EntryOn(kStrategiLayerOption, layer)) << layer;
  EXPECT_EQ(In<QCheckBox>(strategi, "CheckBoxSlayer8")->text(), "Layer 8: Spot heights");
}

TEST_F(WindowTest, CancelInTheDefaultFolderDialogWritesNothing) {
  DefaultFolderDialog* dlg = window->FolderDialog();
  EXPECT_EQ(dlg->windowTitle(), "Default folder");
  WhileOpen(dlg, [&] {
    ASSERT_TRUE(dlg->SetCurrentFolder(scratch.path()));
    In<QPushButton>(dlg, "ButtonCancel")->click();
  });
  EXPECT_FALSE(QFile::exists(iniPath));
  EXPECT_TRUE(window->DefaultFolder().isEmpty());
  window->SelectNtfFiles();
  window->ChooseMifFile();
  EXPECT_EQ(dialogs->ntfFolders, QStringList({""}));
  EXPECT_EQ(dialogs->mifFolders, QStringList({""}));
}

TEST_F(WindowTest, SetAsDefaultStoresAFolderWithAnyCharactersAcrossARestart) {
  const QString folder = Scratch(QString::fromUtf8("Kartenblätter, Süd; neu  2026 ÅØ"));
  ASSERT_TRUE(QDir().mkpath(folder));
  DefaultFolderDialog* dlg = window->FolderDialog();
  WhileOpen(dlg, [&] {
    ASSERT_TRUE(dlg->SetCurrentFolder(folder));
    In<QPushButton>(dlg, "ButtonSetDefault")->click();
  });
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(window->DefaultFolder(), folder);
  window->SelectNtfFiles();
  window->ChooseMifFile();
  EXPECT_EQ(dialogs->ntfFolders.value(0), folder);
  EXPECT_EQ(dialogs->mifFolders.value(0), folder);

  QFile ini(iniPath);
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(ini.readAll()), "[Files]\nDefaultPath=" + folder + "\n");
  ini.close();

  Build();  // a restart
  EXPECT_EQ(window->DefaultFolder(), folder);
  window->SelectNtfFiles();
  EXPECT_EQ(dialogs->ntfFolders.value(0), folder);
  // The dialog opens on the stored folder.
  QString shown;
  WhileOpen(window->FolderDialog(), [&] { shown = window->FolderDialog()->CurrentFolder(); });
  EXPECT_EQ(shown, folder);
}

TEST_F(WindowTest, TheDriveSelectorListsVolumesAndIgnoresOnesThatCannotBeRead) {
  DefaultFolderDialog* dlg = window->FolderDialog();
  const QStringList drives = dlg->Drives();
  EXPECT_TRUE(drives.contains(QDir::rootPath()));
  ASSERT_TRUE(dlg->SetCurrentFolder(scratch.path()));
  EXPECT_FALSE(dlg->ChooseDrive(Scratch("not-mounted")));
  EXPECT_EQ(dlg->CurrentFolder(), scratch.path());
  EXPECT_FALSE(dlg->SetCurrentFolder(Scratch("missing")));
  EXPECT_EQ(dlg->CurrentFolder(), scratch.path());
  EXPECT_TRUE(dlg->ChooseDrive(QDir::rootPath()));
  EXPECT_EQ(dlg->CurrentFolder(), QDir::rootPath());
  auto* combo = In<QComboBox>(dlg, "DriveComboBox");
  EXPECT_EQ(combo->currentData().toString(), QDir::rootPath());
}

TEST_F(WindowTest, TheAboutBoxShowsTheVersionOfThisBuild) {
  AboutDialog* about = window->AboutBox();
  EXPECT_EQ(about->windowTitle(), "About Quorvel");
  EXPECT_EQ(In<QLabel>(about, "LabelVersion")->text(), "Version " QUORVEL_VERSION);
  // One version everywhere: no other version or build number in the box.
  for (QLabel* label : about->findChildren<QLabel*>()) {
    EXPECT_FALSE(label->text().contains("3.5")) << label->text().toStdString();
    EXPECT_FALSE(label->text().startsWith("Build")) << label->text().toStdString();
  }
  bool modal = false;
  QTimer::singleShot(0, about, [&] {
    modal = about->isVisible() && about->isModal();
    In<QPushButton>(about, "ButtonOK")->click();
  });
  window->findChild<QPushButton*>("ButtonAbout")->click();
  EXPECT_TRUE(modal);
  EXPECT_FALSE(about->isVisible());
}

// The system message boxes: one OK button, the icon of the kind.
TEST(QtMessageBoxesTest, EachKindHasItsIconAndOneOKButton) {
  QtMessageBoxes boxes;
  struct Case {
    MessageKind kind;
    QMessageBox::Icon icon;
  };
  for (const Case& c : {Case{MessageKind::Error, QMessageBox::Critical}, Case{MessageKind::Warning, QMessageBox::Warning},
                        Case{MessageKind::Information, QMessageBox::Information}}) {
    int buttons = -1;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      buttons = static_cast<int>(box->buttons().size());
      icon = box->icon();
      text = box->text();
      box->button(QMessageBox::Ok)->click();
    });
    boxes.Show(nullptr, c.kind, "Error reading NTF file at line 12");
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(icon, c.icon);
    EXPECT_EQ(text, "Error reading NTF file at line 12");
  }
}

}  // namespace
}  // namespace quorvel::gui::test

namespace quorvel::gui::test {
namespace {

// The patterns inside the filter's parentheses.
QStringList FilterPatterns(const char* filter) {
  const QString f = QString::fromLatin1(filter);
  const qsizetype open = f.lastIndexOf('(');
  return f.mid(open + 1, f.size() - open - 2).split(' ', Qt::SkipEmptyParts);
}

bool Matches(const char* filter, const QString& name) {
  for (const QString& p : FilterPatterns(filter))
    if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(p)).match(name).hasMatch()) return true;
  return false;
}

TEST(QtFileDialogsTest, TheFiltersMatchTheirExtensionInAnyLetterCase) {
  EXPECT_TRUE(QString::fromLatin1(kNTFFilter).startsWith("ntf files [*.ntf]"));
  for (const char* name : {"SK12.ntf", "SK12.NTF", "sk12.Ntf"}) EXPECT_TRUE(Matches(kNTFFilter, name)) << name;
  for (const char* name : {"SK12.ntf.bak", "SK12.nt", "SK12.mif"}) EXPECT_FALSE(Matches(kNTFFilter, name)) << name;
  EXPECT_TRUE(Matches(kMIFFilter, "out.MIF"));
  EXPECT_FALSE(Matches(kMIFFilter, "out.mid"));
}

TEST(QtFileDialogsTest, TheDialogsStartInTheFolderAndReturnFullPaths) {
  QTemporaryDir dir;
  QFile(dir.filePath("SK12.NTF")).open(QIODevice::WriteOnly);
  QtFileDialogs dialogs;
  QString startedIn;
  QFileDialog::FileMode mode = QFileDialog::AnyFile;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    startedIn = d->directory().absolutePath();
    mode = d->fileMode();
    d->selectFile("SK12.NTF");
    QMetaObject::invokeMethod(d, "accept");
  });
  const QStringList chosen = dialogs.ChooseNtfFiles(nullptr, dir.path());
  EXPECT_EQ(startedIn, dir.path());
  EXPECT_EQ(mode, QFileDialog::ExistingFiles);
  EXPECT_EQ(chosen, QStringList({dir.filePath("SK12.NTF")}));

  bool confirmsOverwrite = false;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    startedIn = d->directory().absolutePath();
    confirmsOverwrite = d->acceptMode() == QFileDialog::AcceptSave && !d->testOption(QFileDialog::DontConfirmOverwrite);
    d->reject();
  });
  EXPECT_EQ(dialogs.ChooseMifFile(nullptr, dir.path()), QString());
  EXPECT_EQ(startedIn, dir.path());
  EXPECT_TRUE(confirmsOverwrite);
}

}  // namespace
}  // namespace quorvel::gui::test
