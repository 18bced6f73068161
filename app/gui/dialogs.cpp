#include "dialogs.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "ini_file.hpp"
#include "pictures.hpp"

namespace quorvel::gui {

namespace {

QLabel* Note(const QString& text, QWidget* parent, int width = 0) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  if (width > 0) label->setFixedWidth(width);
  return label;
}

QPushButton* Button(const QString& name, const QString& caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

// A fixed dialog border: the dialog takes the size its layout asks for.
// Every dialog takes its size from this, and Ctrl+W with it.
void FixSize(QDialog* dialog, QLayout* layout) {
  layout->setSizeConstraint(QLayout::SetFixedSize);
  dialog->setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
  AddCloseShortcut(dialog);
}

// The default OK button, centred on a row of its own under the dialog's
// controls; the dialog's size is then fixed.
QPushButton* AddCentredOk(QDialog* dialog, QBoxLayout* layout) {
  auto* ok = Button(QStringLiteral("ButtonOK"), QStringLiteral("OK"), dialog);
  ok->setDefault(true);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  row->addStretch();
  layout->addLayout(row);
  FixSize(dialog, layout);
  return ok;
}

}  // namespace

QString VersionText() { return QStringLiteral("Version " QUORVEL_VERSION); }

void AddCloseShortcut(QWidget* window) {
  auto* close = new QShortcut(QKeySequence::Close, window);
  close->setObjectName(QStringLiteral("ShortcutClose"));
  if (auto* dialog = qobject_cast<QDialog*>(window)) {
    QObject::connect(close, &QShortcut::activated, dialog, &QDialog::reject);
  } else {
    // A plain window has no Esc of its own.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setObjectName(QStringLiteral("ShortcutEscape"));
    QObject::connect(close, &QShortcut::activated, window, &QWidget::close);
    QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
  }
}

// ---------------------------------------------------------------------------

ProductOptionDialog::ProductOptionDialog(const ProductOption& option, TranslationSettings& settings, QWidget* parent)
    : QDialog(parent), option_(option), settings_(settings), boxes_(static_cast<std::size_t>(option.count), nullptr) {
  setObjectName(FromView(option.dialogName));
  setWindowTitle(FromView(option.dialogTitle));
  auto* layout = new QVBoxLayout(this);
  switch (option.kind) {
    case OptionKind::EntryList: BuildEntryGrid(layout); break;
    case OptionKind::LayerSet: BuildLayerColumn(layout); break;
    case OptionKind::Flag: BuildFlag(layout); break;
  }
}

// The style tables read the option at every lookup, so the value follows
// the box at once.
QCheckBox* ProductOptionDialog::AddEntryBox(const OptionEntry& entry) {
  auto* box = new QCheckBox(FromView(entry.caption), this);
  box->setObjectName(FromView(entry.objectName));
  box->setChecked(settings_.productOptions.EntryOn(option_, entry.number));
  const int number = entry.number;
  connect(box, &QCheckBox::toggled, this,
          [this, number](bool on) { settings_.productOptions.SetEntry(option_, number, on); });
  boxes_[static_cast<std::size_t>(number - 1)] = box;
  return box;
}

void ProductOptionDialog::BuildEntryGrid(QBoxLayout* layout) {
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(18);
  grid->setVerticalSpacing(2);
  const int rows = option_.gridRows > 0 ? option_.gridRows : option_.count;
  int i = 0;
  for (const OptionEntry& e : option_.EntryBoxes()) {
    grid->addWidget(AddEntryBox(e), i % rows, i / rows);
    ++i;
  }
  layout->addLayout(grid);
  auto* buttons = new QHBoxLayout;
  auto* checkAll = Button(QStringLiteral("ButtonCheckAll"), QStringLiteral("&Check all    "), this);
  auto* uncheckAll = Button(QStringLiteral("ButtonUncheckAll"), QStringLiteral("&Uncheck all"), this);
  auto* ok = Button(QStringLiteral("ButtonOK"), QStringLiteral("OK"), this);
  ok->setDefault(true);
  buttons->addWidget(checkAll);
  buttons->addWidget(uncheckAll);
  buttons->addStretch();
  buttons->addWidget(ok);
  layout->addLayout(buttons);
  connect(checkAll, &QPushButton::clicked, this, [this] { CheckAll(true); });
  connect(uncheckAll, &QPushButton::clicked, this, [this] { CheckAll(false); });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  FixSize(this, layout);
}

void ProductOptionDialog::BuildLayerColumn(QBoxLayout* layout) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  for (std::string_view note : option_.notes) layout->addWidget(Note(FromView(note), this, 330));
  for (const OptionEntry& e : option_.EntryBoxes()) layout->addWidget(AddEntryBox(e));
  connect(AddCentredOk(this, layout), &QPushButton::clicked, this, &QDialog::accept);
}

void ProductOptionDialog::BuildFlag(QBoxLayout* layout) {
  for (std::string_view note : option_.notes) layout->addWidget(Note(FromView(note), this, 320));
  flagBox_ = new QCheckBox(FromView(option_.flagCaption), this);
  flagBox_->setObjectName(FromView(option_.flagObjectName));
  flagBox_->setChecked(settings_.productOptions.Flag(option_));
  connect(flagBox_, &QCheckBox::toggled, this, [this](bool on) { settings_.productOptions.SetFlag(option_, on); });
  layout->addWidget(flagBox_);
  connect(AddCentredOk(this, layout), &QPushButton::clicked, this, [this] {
    settings_.productOptions.SetFlag(option_, flagBox_->isChecked());
    accept();
  });
}

QCheckBox* ProductOptionDialog::Box(int number) const {
  if (number < 1 || number > static_cast<int>(boxes_.size())) return nullptr;
  return boxes_[static_cast<std::size_t>(number - 1)];
}

void ProductOptionDialog::CheckAll(bool checked) {
  // Each box whose state changes sets its own entry.
  for (QCheckBox* box : boxes_)
    if (box) box->setChecked(checked);
}

// ---------------------------------------------------------------------------

DefaultFolderDialog::DefaultFolderDialog(QString iniPath, QWidget* parent) : QDialog(parent), iniPath_(std::move(iniPath)) {
  setObjectName(QStringLiteral("TFormDefault"));
  setWindowTitle(QStringLiteral("Default folder"));
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(QStringLiteral(" Default folder: "), this);
  group->setObjectName(QStringLiteral("GroupBoxDefaultFolder"));
  auto* groupLayout = new QVBoxLayout(group);

  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setReadOnly(true);
  tree_ = new QTreeView(group);
  tree_->setObjectName(QStringLiteral("DirectoryListBox"));
  tree_->setModel(model_);
  for (int c = 1; c < model_->columnCount(); ++c) tree_->hideColumn(c);
  tree_->header()->hide();
  tree_->setFixedSize(320, 240);
  groupLayout->addWidget(tree_);
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& index) {
    if (index.isValid()) currentFolder_ = model_->filePath(index);
  });

  auto* driveLabel = new QLabel(QStringLiteral("Drive:"), group);
  drives_ = new QComboBox(group);
  drives_->setObjectName(QStringLiteral("DriveComboBox"));
  driveLabel->setBuddy(drives_);
  groupLayout->addWidget(driveLabel);
  groupLayout->addWidget(drives_);
  connect(drives_, &QComboBox::activated, this, [this](int i) {
    if (!ChooseDrive(drives_->itemData(i).toString())) SelectDriveEntry(currentRoot_);
  });
  layout->addWidget(group);

  layout->addWidget(Note(QStringLiteral("The selected folder will be the default folder for  opening NTF files and saving "
                                        "MIF/MID files"),
                         this, 320));
  auto* buttons = new QHBoxLayout;
  auto* set = Button(QStringLiteral("ButtonSetDefault"), QStringLiteral("Set as &Default"), this);
  auto* cancel = Button(QStringLiteral("ButtonCancel"), QStringLiteral("Ca&ncel"), this);
  buttons->addStretch();
  buttons->addWidget(set);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(set, &QPushButton::clicked, this, &DefaultFolderDialog::SetAsDefault);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  FixSize(this, layout);
  FillDrives();
}

void DefaultFolderDialog::showEvent(QShowEvent* event) {
  // The first opening shows the stored default folder, or the home folder.
  if (!opened_) {
    opened_ = true;
    if (!currentFolder_.isEmpty()) return QDialog::showEvent(event);
    const QString stored = LoadDefaultFolder(iniPath_);
    if (stored.isEmpty() || !SetCurrentFolder(stored)) SetCurrentFolder(QDir::homePath());
  }
  QDialog::showEvent(event);
}

void DefaultFolderDialog::FillDrives() {
  drives_->clear();
  QStringList roots;
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
    if (!v.isValid() || !v.isReady() || roots.contains(v.rootPath())) continue;
    roots << v.rootPath();
  }
  if (!roots.contains(QDir::rootPath())) roots << QDir::rootPath();
  roots.sort();
  for (const QString& root : roots) {
    const QString name = QStorageInfo(root).name();
    drives_->addItem(name.isEmpty() ? root : root + QStringLiteral("  [") + name + QLatin1Char(']'), root);
  }
}

QStringList DefaultFolderDialog::Drives() const {
  QStringList roots;
  for (int i = 0; i < drives_->count(); ++i) roots << drives_->itemData(i).toString();
  return roots;
}

void DefaultFolderDialog::SelectDriveEntry(const QString& root) {
  int i = drives_->findData(root);
  if (i < 0 && !root.isEmpty()) {
    drives_->addItem(root, root);
    i = drives_->count() - 1;
  }
  drives_->setCurrentIndex(i);
}

bool DefaultFolderDialog::ChooseDrive(const QString& root) {
  const QDir dir(root);
  if (root.isEmpty() || !dir.exists() || !dir.isReadable()) return false;
  currentRoot_ = dir.absolutePath();
  model_->setRootPath(currentRoot_);
  tree_->setRootIndex(model_->index(currentRoot_));
  currentFolder_ = currentRoot_;
  tree_->setCurrentIndex(QModelIndex());
  SelectDriveEntry(currentRoot_);
  return true;
}

bool DefaultFolderDialog::SetCurrentFolder(const QString& folder) {
  const QDir dir(folder);
  if (folder.isEmpty() || !dir.exists()) return false;
  const QString path = dir.absolutePath();
  auto under = [](const QString& p, const QString& root) {
    return !root.isEmpty() && (p == root || p.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/')));
  };
  // The tree stays on its volume when the folder is on it; otherwise it
  // moves to the folder's volume.
  if (!under(path, currentRoot_)) {
    QString root = QStorageInfo(path).rootPath();
    if (!under(path, root)) root = QDir::rootPath();
    if (!ChooseDrive(root)) return false;
  }
  const QModelIndex index = model_->index(path);
  if (index.isValid() && path != currentRoot_) {
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
    tree_->expand(index);
  }
  currentFolder_ = path;
  return true;
}

void DefaultFolderDialog::SetAsDefault() {
  const QString folder = CurrentFolder();
  SaveDefaultFolder(iniPath_, folder);  // a failed write reports nothing
  emit DefaultFolderSaved(folder);
  accept();
}

// ---------------------------------------------------------------------------

OptionsDialog::OptionsDialog(TranslationSettings& settings, const std::vector<ProductOptionDialog*>& productOptions,
                             DefaultFolderDialog* defaultFolder, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  setObjectName(QStringLiteral("TFormOptions"));
  setWindowTitle(QStringLiteral("Quorvel Options"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Select the options required, then click Close"), this));

  auto* columns = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  for (const RunOption& option : RunOptions())
    if (option.window == RunOptionPlace::OptionsDialog) {
      runOptions_.push_back(ChoiceGroup(option));
      left->addWidget(runOptions_.back());
    }
  columns->addLayout(left);
  columns->addLayout(ButtonColumn(productOptions, defaultFolder));
  layout->addLayout(columns);
  FixSize(this, layout);
}

// One radio button per word, in the table's rows; each sets its word the
// moment it is clicked.
QGroupBox* OptionsDialog::ChoiceGroup(const RunOption& option) {
  auto* group = new QGroupBox(FromView(option.windowTitle), this);
  group->setObjectName(FromView(option.windowName));
  auto* layout = new QVBoxLayout(group);
  std::vector<const RunOptionChoice*> rows;
  for (const RunOptionChoice& choice : option.choices) rows.push_back(&choice);
  std::sort(rows.begin(), rows.end(), [](auto* a, auto* b) { return a->windowRow < b->windowRow; });
  const std::string_view chosen = ChosenWord(option, settings_);
  for (const RunOptionChoice* choice : rows) {
    auto* radio = new QRadioButton(FromView(choice->caption), group);
    radio->setObjectName(FromView(choice->objectName));
    if (!choice->hint.empty()) radio->setToolTip(FromView(choice->hint));
    layout->addWidget(radio);
    radio->setChecked(choice->word == chosen);
    const std::string_view word = choice->word;
    connect(radio, &QRadioButton::toggled, this, [this, &option, word](bool on) {
      if (on) Choose(option, word, settings_);
    });
  }
  return group;
}

// A button for each product option's dialog, the default folder and Close.
QBoxLayout* OptionsDialog::ButtonColumn(const std::vector<ProductOptionDialog*>& productOptions,
                                        DefaultFolderDialog* defaultFolder) {
  auto* column = new QVBoxLayout;
  for (ProductOptionDialog* dialog : productOptions) {
    const ProductOption& option = dialog->option();
    auto* button = Button(FromView(option.buttonName), FromView(option.buttonCaption), this);
    runOptions_.push_back(button);
    column->addWidget(button);
    connect(button, &QPushButton::clicked, dialog, &QDialog::exec);
  }
  auto* folderButton = Button(QStringLiteral("ButtonDefaultFolder"), QStringLiteral("&Default folder"), this);
  auto* close = Button(QStringLiteral("ButtonClose"), QStringLiteral("Cl&ose"), this);
  column->addWidget(folderButton);
  column->addStretch();
  column->addWidget(close);
  connect(folderButton, &QPushButton::clicked, defaultFolder, &QDialog::exec);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  return column;
}

void OptionsDialog::LockForRun(bool running) {
  const QString why = running ? QStringLiteral("Fixed while a translation runs; a change applies to the next one")
                              : QString();
  for (QWidget* w : runOptions_) {
    w->setEnabled(!running);
    w->setToolTip(why);
  }
}

// ---------------------------------------------------------------------------

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TAboutBox"));
  setWindowTitle(QStringLiteral("About Quorvel"));
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("ImageProgram"));
  picture->setPixmap(DrawProgramPicture(QSize(200, 120)));
  top->addWidget(picture);
  auto* text = new QVBoxLayout;
  auto* name = new QLabel(QStringLiteral("Quorvel"), this);
  QFont bold = name->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.4);
  name->setFont(bold);
  text->addWidget(name);
  text->addWidget(new QLabel(QStringLiteral("OS NTF to MapInfo MIF/MID Translator"), this));
  auto* version = new QLabel(VersionText(), this);
  version->setObjectName(QStringLiteral("LabelVersion"));
  text->addWidget(version);
  text->addStretch();
  top->addLayout(text);
  layout->addLayout(top);
  layout->addWidget(Note(QStringLiteral("Quorvel may be used, copied and passed on free of charge, provided it is passed "
                                        "on unchanged and with this notice. It comes without any warranty: check "
                                        "translated data before you rely on it."),
                         this, 380));
  layout->addWidget(Note(QStringLiteral("Questions, suggestions and bug reports are welcome through the Quorvel "
                                        "project's issue tracker."),
                         this, 380));
  connect(AddCentredOk(this, layout), &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace quorvel::gui
