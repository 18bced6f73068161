#include "main_window.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "dialogs.hpp"
#include "help_window.hpp"
#include "ini_file.hpp"
#include "map_view.hpp"
#include "pictures.hpp"
#include "run/messages.hpp"

namespace quorvel::gui {

namespace {

int ClampToInt(std::size_t n) {
  return static_cast<int>(std::min<std::size_t>(n, static_cast<std::size_t>(std::numeric_limits<int>::max())));
}

QPushButton* Button(const QString& name, const QString& caption, const QString& hint, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  if (!hint.isEmpty()) b->setToolTip(hint);
  return b;
}

// The splash panel: the program's picture, drawn in full colour even while
// the window behind it is disabled.
class SplashPanel : public QFrame {
 public:
  SplashPanel(QPixmap picture, QWidget* parent) : QFrame(parent), picture_(std::move(picture)) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(2);
    setFixedSize(picture_.size() + QSize(4, 4));
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QFrame::paintEvent(event);
    QPainter p(this);
    p.drawPixmap(2, 2, picture_);
  }

 private:
  QPixmap picture_;
};

// A one-line label that shows a long text elided in the middle, with the
// whole text as its tooltip; text() is always the whole text.
class ElidedLabel : public QLabel {
 public:
  using QLabel::QLabel;
  QSize minimumSizeHint() const override { return {40, QLabel::minimumSizeHint().height()}; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QRect r = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, r.width());
    setToolTip(shown == text() ? QString() : text());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, shown);
  }
};

QString KindName(MessageKind kind) {
  switch (kind) {
    case MessageKind::Error: return QStringLiteral("Error");
    case MessageKind::Warning: return QStringLiteral("Warning");
    case MessageKind::Information: return QStringLiteral("Information");
  }
  return {};
}

QLabel* Figure(const QString& name, QWidget* parent) {
  auto* label = new QLabel(QStringLiteral("0"), parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setMinimumWidth(80);
  return label;
}

}  // namespace

void SortFileNames(QStringList& names) {
  std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
}

QString MifNameFromField(const QString& text) {
  if (text.trimmed().isEmpty()) return {};
  if (!text.endsWith(QStringLiteral(".mif"), Qt::CaseInsensitive)) return text + QStringLiteral(".mif");
  return text;
}

QStringList NtfFilesIn(const QString& folder) {
  QDir dir(folder);
  QStringList files;
  for (const QFileInfo& f : dir.entryInfoList({QStringLiteral("*.[nN][tT][fF]")}, QDir::Files | QDir::Readable))
    files << f.absoluteFilePath();
  SortFileNames(files);
  return files;
}

QStringList PathsFromArguments(const QStringList& arguments) {
  QStringList paths;
  bool options = true;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (options && a == QStringLiteral("--")) {
      options = false;
    } else if (options && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
      continue;  // Qt's own options (-style, -platform ...) are taken by QApplication
    } else {
      paths << a;
    }
  }
  return paths;
}

MainWindow::MainWindow(QString iniPath, QWidget* parent)
    : QWidget(parent, Qt::Window),
      iniPath_(std::move(iniPath)),
      fileDialogs_(std::make_unique<QtFileDialogs>()),
      messageBoxes_(std::make_unique<QtMessageBoxes>()) {
  setObjectName(QStringLiteral("TFormMain"));
  setWindowTitle(QStringLiteral("Quorvel " QUORVEL_VERSION));
  setWindowIcon(DrawProgramIcon());
  setAcceptDrops(true);
  // The settings start from their defaults; one driver serves every run, so
  // the product name shown carries from run to run.
  driver_ = std::make_unique<RunDriver>(Products(), settings_, *this);
  BuildControls();
  SetDefaultFolder(LoadDefaultFolder(iniPath_));

  about_ = new AboutDialog(this);
  // One dialog per product option, in product order; each starts from the
  // option's default.
  for (const ProductDescriptor* product : Products().products())
    for (const ProductOption& option : product->options) {
      settings_.productOptions.Slot(option);
      productOptions_.push_back(new ProductOptionDialog(option, settings_, this));
    }
  defaultFolderDialog_ = new DefaultFolderDialog(iniPath_, this);
  options_ = new OptionsDialog(settings_, productOptions_, defaultFolderDialog_, this);
  help_ = new HelpWindow(this);
  connect(defaultFolderDialog_, &DefaultFolderDialog::DefaultFolderSaved, this, &MainWindow::SetDefaultFolder);
  RestoreGeometry();
}

MainWindow::~MainWindow() = default;

ProductOptionDialog* MainWindow::OptionDialog(std::string_view key) const {
  for (ProductOptionDialog* d : productOptions_)
    if (d->option().key == key) return d;
  return nullptr;
}

void MainWindow::SetFileDialogs(std::unique_ptr<FileDialogs> dialogs) { fileDialogs_ = std::move(dialogs); }
void MainWindow::SetMessageBoxes(std::unique_ptr<MessageBoxes> boxes) { messageBoxes_ = std::move(boxes); }

void MainWindow::RestoreGeometry() {
  const QByteArray saved = QByteArray::fromBase64(
      ReadIniValue(iniPath_, QString::fromLatin1(kWindowSection), QString::fromLatin1(kGeometryKey)).toLatin1());
  if (!saved.isEmpty() && restoreGeometry(saved)) return;
  // First start (or an unreadable value): centred on the desktop.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r = frameGeometry();
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
  }
}

void MainWindow::SaveGeometry() {
  WriteIniValue(iniPath_, QString::fromLatin1(kWindowSection), QString::fromLatin1(kGeometryKey),
                QString::fromLatin1(saveGeometry().toBase64()));
}

void MainWindow::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(6);
  layout->addWidget(BuildStatusBand());

  auto* body = new QVBoxLayout;
  body->setContentsMargins(10, 0, 10, 0);
  body->setSpacing(6);
  body->addLayout(BuildCaptions());
  BuildFileGroups(body);
  body->addLayout(BuildOptionsAndCounters());
  body_ = body;
  logBox_ = BuildRunLog();
  body->addWidget(logBox_);
  body->addWidget(BuildProgress());
  layout->addLayout(body, 1);
  layout->addSpacing(4);
  layout->addWidget(BuildCommands());

  // The window grows from the size its controls ask for.
  layout->activate();
  setMinimumSize(std::max(560, minimumSizeHint().width()), minimumSizeHint().height());
  resize(std::max(560, sizeHint().width()), sizeHint().height());
  BuildSplash();
  ConnectControls();
  SetTabOrderAndShortcuts();
}

QWidget* MainWindow::BuildStatusBand() {
  auto* band = new QFrame(this);
  band->setObjectName(QStringLiteral("PanelStatus"));
  band->setAutoFillBackground(true);
  QPalette white = band->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  band->setPalette(white);
  auto* bandLayout = new QHBoxLayout(band);
  bandLayout->setContentsMargins(10, 8, 10, 8);
  status_ = new ElidedLabel(QStringLiteral("Select NTF file(s), then click Translate..."), band);
  status_->setObjectName(QStringLiteral("LabelStatus"));
  QFont bold = status_->font();
  bold.setBold(true);
  status_->setFont(bold);
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  bandLayout->addWidget(status_, 1);
  return band;
}

QLayout* MainWindow::BuildCaptions() {
  auto* captions = new QHBoxLayout;
  auto* title = new QLabel(QStringLiteral("OS NTF to MapInfo MIF/MID Translator"), this);
  title->setObjectName(QStringLiteral("LabelTitle"));
  QFont titleFont = title->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
  title->setFont(titleFont);
  auto* version = new QLabel(VersionText(), this);
  version->setObjectName(QStringLiteral("LabelVersion"));
  captions->addWidget(title);
  captions->addStretch();
  captions->addWidget(version);
  return captions;
}

void MainWindow::BuildFileGroups(QBoxLayout* body) {
  auto* ntfGroup = new QGroupBox(QStringLiteral(" NTF file(s) : "), this);
  ntfGroup->setObjectName(QStringLiteral("GroupBoxNTF"));
  auto* ntfLayout = new QHBoxLayout(ntfGroup);
  files_ = new QListWidget(ntfGroup);
  files_->setObjectName(QStringLiteral("ListBoxNTF_Files"));
  files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  files_->setTextElideMode(Qt::ElideMiddle);
  files_->setMinimumHeight(90);
  openFiles_ = Button(QStringLiteral("BitBtnOpenNTF_Files"), QStringLiteral("&Select File(s)..."),
                      QStringLiteral("Select the NTF file(s) to translate (Ctrl+O)"), ntfGroup);
  ntfLayout->addWidget(files_, 1);
  ntfLayout->addWidget(openFiles_, 0, Qt::AlignTop);
  body->addWidget(ntfGroup, 2);

  auto* mifGroup = new QGroupBox(QStringLiteral(" MIF file:  "), this);
  mifGroup->setObjectName(QStringLiteral("GroupBoxMIF"));
  auto* mifLayout = new QHBoxLayout(mifGroup);
  mifName_ = new QLineEdit(mifGroup);
  mifName_->setObjectName(QStringLiteral("EditMIF_File"));
  saveMif_ = Button(QStringLiteral("BitBtnSaveMIF"), QStringLiteral("&Change..."), QStringLiteral("Select a MIF file"), mifGroup);
  mifLayout->addWidget(mifName_, 1);
  mifLayout->addWidget(saveMif_);
  body->addWidget(mifGroup);
}

QLayout* MainWindow::BuildOptionsAndCounters() {
  auto* middle = new QHBoxLayout;
  auto* options = new QVBoxLayout;
  auto* outputGroup = new QGroupBox(QStringLiteral("Output options: "), this);
  outputGroup->setObjectName(QStringLiteral("GroupBoxOutput"));
  auto* outputLayout = new QVBoxLayout(outputGroup);
  merge_ = new QRadioButton(QStringLiteral("Mer&ge tiles"), outputGroup);
  merge_->setObjectName(QStringLiteral("RadioButtonMerge"));
  merge_->setToolTip(QStringLiteral("Merge translated files into a single MIF"));
  merge_->setChecked(true);
  separate_ = new QRadioButton(QStringLiteral("S&eparate tiles"), outputGroup);
  separate_->setObjectName(QStringLiteral("RadioButtonSep"));
  separate_->setToolTip(QStringLiteral("Translate each NTF file into a separate MIF"));
  outputLayout->addWidget(merge_);
  outputLayout->addWidget(separate_);
  auto* networkGroup = new QGroupBox(QStringLiteral(" Network data: "), this);
  networkGroup->setObjectName(QStringLiteral("GroupBoxNetwork"));
  auto* networkLayout = new QVBoxLayout(networkGroup);
  network_ = new QCheckBox(QStringLiteral("E&xtract"), networkGroup);
  network_->setObjectName(QStringLiteral("CheckBoxNetWorkData"));
  networkLayout->addWidget(network_);
  options->addWidget(outputGroup);
  options->addWidget(networkGroup);
  middle->addLayout(options);
  middle->addSpacing(20);

  auto* counters = new QGridLayout;
  counters->setVerticalSpacing(8);
  recordsRead_ = Figure(QStringLiteral("LabelNumberOfRecordsRead"), this);
  objectsCreated_ = Figure(QStringLiteral("LabelNumberOfObjectsCreated"), this);
  filesSelected_ = Figure(QStringLiteral("LabelNumberOfFilesSelected"), this);
  filesTranslated_ = Figure(QStringLiteral("LabelNumberOfFilesTranslated"), this);
  counters->addWidget(new QLabel(QStringLiteral("NTF records read:"), this), 0, 0);
  counters->addWidget(recordsRead_, 0, 1);
  counters->addWidget(new QLabel(QStringLiteral("Objects created:"), this), 1, 0);
  counters->addWidget(objectsCreated_, 1, 1);
  counters->setRowMinimumHeight(2, 10);
  counters->addWidget(new QLabel(QStringLiteral("Files selected:"), this), 3, 0);
  counters->addWidget(filesSelected_, 3, 1);
  counters->addWidget(new QLabel(QStringLiteral("Files Translated:"), this), 4, 0);
  counters->addWidget(filesTranslated_, 4, 1);
  counters->setRowStretch(5, 1);
  middle->addLayout(counters);
  middle->addStretch();
  return middle;
}

QWidget* MainWindow::BuildRunLog() {
  auto* panel = new QWidget(this);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* head = new QHBoxLayout;
  logToggle_ = new QToolButton(panel);
  logToggle_->setObjectName(QStringLiteral("ButtonRunLog"));
  logToggle_->setText(QStringLiteral("&Run log"));
  logToggle_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  logToggle_->setArrowType(Qt::RightArrow);
  logToggle_->setCheckable(true);
  logToggle_->setAutoRaise(true);
  problems_ = new QPushButton(panel);
  problems_->setObjectName(QStringLiteral("ButtonProblems"));
  problems_->setFlat(true);
  problems_->setStyleSheet(QStringLiteral("text-align: left; color: #a00000;"));
  problems_->hide();
  head->addWidget(logToggle_);
  head->addWidget(problems_);
  head->addStretch(1);
  layout->addLayout(head);

  logPanel_ = new QWidget(panel);
  logPanel_->setObjectName(QStringLiteral("PanelRunLog"));
  auto* logLayout = new QHBoxLayout(logPanel_);
  logLayout->setContentsMargins(0, 0, 0, 0);
  log_ = new QTreeWidget(logPanel_);
  log_->setObjectName(QStringLiteral("TreeRunLog"));
  log_->setHeaderLabels({QStringLiteral("Kind"), QStringLiteral("File"), QStringLiteral("Message")});
  log_->setRootIsDecorated(false);
  log_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  log_->setTextElideMode(Qt::ElideMiddle);
  log_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  log_->header()->resizeSection(1, 170);
  log_->setMinimumHeight(80);
  auto* copy = Button(QStringLiteral("ButtonCopyLog"), QStringLiteral("Cop&y"),
                      QStringLiteral("Copy the selected lines of the log (all when none is selected)"), logPanel_);
  logLayout->addWidget(log_, 1);
  logLayout->addWidget(copy, 0, Qt::AlignTop);
  layout->addWidget(logPanel_, 1);
  logPanel_->hide();

  auto copyLog = [this] {
    QList<QTreeWidgetItem*> items = log_->selectedItems();
    if (items.isEmpty())
      for (int i = 0; i < log_->topLevelItemCount(); ++i) items << log_->topLevelItem(i);
    std::sort(items.begin(), items.end(), [this](QTreeWidgetItem* a, QTreeWidgetItem* b) {
      return log_->indexOfTopLevelItem(a) < log_->indexOfTopLevelItem(b);
    });
    QStringList lines;
    for (QTreeWidgetItem* item : items) lines << item->text(0) + QLatin1Char('\t') + item->text(1) + QLatin1Char('\t') + item->text(2);
    if (!lines.isEmpty()) QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
  };
  connect(copy, &QPushButton::clicked, this, copyLog);
  auto* copyKey = new QShortcut(QKeySequence::Copy, log_, nullptr, nullptr, Qt::WidgetShortcut);
  connect(copyKey, &QShortcut::activated, this, copyLog);
  connect(logToggle_, &QToolButton::toggled, this, &MainWindow::ShowLog);
  connect(problems_, &QPushButton::clicked, this, [this] { ShowLog(true); });
  return panel;
}

void MainWindow::ShowLog(bool shown) {
  if (logToggle_->isChecked() != shown) logToggle_->setChecked(shown);  // comes back here
  logToggle_->setArrowType(shown ? Qt::DownArrow : Qt::RightArrow);
  logPanel_->setVisible(shown);
  // Open, the log shares the room with the file list; closed, the list
  // takes it.
  body_->setStretchFactor(logBox_, shown ? 1 : 0);
}

bool MainWindow::LogShown() const { return logToggle_->isChecked(); }

QWidget* MainWindow::BuildProgress() {
  auto* progressGroup = new QGroupBox(QStringLiteral(" Progress: "), this);
  progressGroup->setObjectName(QStringLiteral("GroupBoxProgress"));
  auto* progressLayout = new QVBoxLayout(progressGroup);
  auto* scale = new QHBoxLayout;
  scale->addWidget(new QLabel(QStringLiteral("0%"), progressGroup));
  scale->addStretch();
  scale->addWidget(new QLabel(QStringLiteral("50%"), progressGroup));
  scale->addStretch();
  scale->addWidget(new QLabel(QStringLiteral("100%"), progressGroup));
  progressLayout->addLayout(scale);
  progress_ = new QProgressBar(progressGroup);
  progress_->setObjectName(QStringLiteral("ProgressBarConversion"));
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  progressLayout->addWidget(progress_);
  return progressGroup;
}

QWidget* MainWindow::BuildCommands() {
  auto* commands = new QFrame(this);
  commands->setObjectName(QStringLiteral("PanelCommands"));
  commands->setFrameShape(QFrame::StyledPanel);
  commands->setFrameShadow(QFrame::Sunken);
  auto* commandLayout = new QHBoxLayout(commands);
  helpButton_ = Button(QStringLiteral("BitBtnHelp"), QStringLiteral("&Help"), QStringLiteral("Help on Quorvel"), commands);
  aboutButton_ = Button(QStringLiteral("ButtonAbout"), QStringLiteral("&About Quorvel"), QString(), commands);
  optionsButton_ = Button(QStringLiteral("ButtonOptions"), QStringLiteral("&Options"), QString(), commands);
  mapButton_ = Button(QStringLiteral("ButtonMap"), QStringLiteral("&Map"), QStringLiteral("Show the last run's output on a map"),
                      commands);
  mapButton_->setEnabled(false);
  translate_ = Button(QStringLiteral("BitBtnTranslate"), QString(), QString(), commands);
  ShowTranslateAsStop(false);
  close_ = Button(QStringLiteral("BitBtnClose"), QStringLiteral("C&lose"), QStringLiteral("Close the program"), commands);
  commandLayout->addWidget(helpButton_);
  commandLayout->addWidget(aboutButton_);
  commandLayout->addWidget(optionsButton_);
  commandLayout->addStretch();
  commandLayout->addWidget(mapButton_);
  commandLayout->addWidget(translate_);
  commandLayout->addWidget(close_);
  return commands;
}

void MainWindow::ShowTranslateAsStop(bool stop) {
  // One button in one place: Translate, and Stop while a run goes on. It
  // keeps the wider caption's width so it does not jump.
  translate_->setText(stop ? QStringLiteral("Sto&p") : QStringLiteral("&Translate"));
  translate_->setToolTip(stop ? QStringLiteral("Stop the translation after the current record (Esc)")
                              : QStringLiteral("Start translating file(s)"));
}

void MainWindow::BuildSplash() {
  // In front of the middle of the window; hidden until the splash period
  // starts.
  auto* splash = new SplashPanel(DrawProgramPicture(QSize(380, 210)), this);
  splash->setObjectName(QStringLiteral("PanelSplash"));
  splash->move((width() - splash->width()) / 2, (height() - splash->height()) / 2);
  splash->hide();
  splash_ = splash;
  splashTimer_ = new QTimer(this);
  splashTimer_->setObjectName(QStringLiteral("TimerSplash"));
  connect(splashTimer_, &QTimer::timeout, this, &MainWindow::EndSplash);
}

void MainWindow::ConnectControls() {
  connect(openFiles_, &QPushButton::clicked, this, &MainWindow::SelectNtfFiles);
  connect(saveMif_, &QPushButton::clicked, this, &MainWindow::ChooseMifFile);
  connect(merge_, &QRadioButton::clicked, this, &MainWindow::ChooseMergedOutput);
  connect(separate_, &QRadioButton::clicked, this, &MainWindow::ChooseSeparateOutput);
  connect(network_, &QCheckBox::toggled, this, [this](bool on) { settings_.extractNetworkData = on; });
  connect(translate_, &QPushButton::clicked, this, [this] {
    if (running_) RequestStop();
    else StartTranslationRun();
  });
  connect(helpButton_, &QPushButton::clicked, this, &MainWindow::ShowHelp);
  connect(aboutButton_, &QPushButton::clicked, this, [this] { about_->exec(); });
  connect(optionsButton_, &QPushButton::clicked, this, [this] { options_->exec(); });
  connect(mapButton_, &QPushButton::clicked, this, &MainWindow::ShowMap);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
}

void MainWindow::SetTabOrderAndShortcuts() {
  // Down the window, then along the command band from the run's buttons.
  const QList<QWidget*> order{files_,     openFiles_, mifName_,   saveMif_,     merge_,         separate_,
                              network_,   logToggle_, problems_,  translate_,   mapButton_,     close_,
                              helpButton_, aboutButton_, optionsButton_};
  for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

  auto shortcut = [this](const QKeySequence& keys, const char* name, auto action) {
    auto* s = new QShortcut(keys, this);
    s->setObjectName(QString::fromLatin1(name));
    connect(s, &QShortcut::activated, this, action);
  };
  shortcut(QKeySequence::Open, "ShortcutOpen", [this] {
    if (!running_) SelectNtfFiles();
  });
  for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
    shortcut(keys, "ShortcutTranslate", [this] {
      if (!running_) StartTranslationRun();
    });
  shortcut(QKeySequence(Qt::Key_Escape), "ShortcutStop", [this] {
    if (running_) RequestStop();
  });
}

void MainWindow::StartSplash(int milliseconds) {
  setEnabled(false);
  splash_->show();
  splash_->raise();
  splashTimer_->start(milliseconds);
}

void MainWindow::EndSplash() {
  splashTimer_->stop();
  splash_->hide();
  setEnabled(true);
}

void MainWindow::SetDefaultFolder(const QString& folder) { defaultFolder_ = folder; }

void MainWindow::SetMifFieldBackground(QPalette::ColorRole role) {
  QPalette p = mifName_->palette();
  const QColor colour = role == QPalette::Base ? QColor(Qt::white) : palette().color(role);
  p.setColor(QPalette::Base, colour);
  mifName_->setPalette(p);
}

void MainWindow::SelectNtfFiles() {
  QStringList chosen = fileDialogs_->ChooseNtfFiles(this, defaultFolder_);
  if (chosen.isEmpty()) return;  // cancelled: nothing changes
  SetSelectedFiles(chosen);
}

QStringList MainWindow::SelectedFiles() const {
  QStringList names;
  for (int i = 0; i < files_->count(); ++i) names << files_->item(i)->text();
  return names;
}

void MainWindow::AddPaths(const QStringList& paths) {
  if (running_ || paths.isEmpty()) return;
  QStringList names = SelectedFiles();
  QStringList refused;
  for (const QString& path : paths) {
    const QFileInfo info(path);
    if (info.isDir()) {
      const QStringList inFolder = NtfFilesIn(info.absoluteFilePath());
      if (inFolder.isEmpty()) refused << path + QStringLiteral(": a folder without NTF files");
      names << inFolder;
    } else if (info.isFile()) {
      names << info.absoluteFilePath();
    } else {
      refused << path + QStringLiteral(": no such file or folder");
    }
  }
  names.removeDuplicates();
  if (!names.isEmpty() && names != SelectedFiles()) SetSelectedFiles(names);
  if (!refused.isEmpty())
    messageBoxes_->Show(this, MessageKind::Warning, QStringLiteral("Not added:\n") + refused.join(QLatin1Char('\n')));
}

void MainWindow::SetSelectedFiles(QStringList chosen) {
  SortFileNames(chosen);
  files_->clear();
  for (const QString& name : chosen) {
    auto* item = new QListWidgetItem(name, files_);
    item->setToolTip(name);
  }
  QString first = chosen.first();
  first.chop(std::min<qsizetype>(4, first.size()));
  if (chosen.size() > 1) {
    filesSelected_->setText(QString::number(chosen.size()));
    merge_->setEnabled(true);
    separate_->setEnabled(true);
    merge_->setChecked(true);
    mergeTiles_ = true;
    mifName_->setText(first + QStringLiteral(" etc.mif"));
    mifName_->setReadOnly(false);
    SetMifFieldBackground(QPalette::Base);
  } else {
    filesSelected_->setText(QStringLiteral("1"));
    merge_->setEnabled(false);
    separate_->setEnabled(false);
    mifName_->setText(first + QStringLiteral(".mif"));
    mifName_->setReadOnly(false);
    SetMifFieldBackground(QPalette::Window);
  }
  saveMif_->setEnabled(true);
  status_->setText(QStringLiteral("Ready"));
  filesTranslated_->setText(QStringLiteral("0"));
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (running_ || !event->mimeData()->hasUrls()) return;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) return event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  if (running_ || !event->mimeData()->hasUrls()) return;
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  if (paths.isEmpty()) return;
  event->acceptProposedAction();
  AddPaths(paths);
}

void MainWindow::ChooseMifFile() {
  const QString chosen = fileDialogs_->ChooseMifFile(this, defaultFolder_);
  if (!chosen.isEmpty()) mifName_->setText(chosen);
}

void MainWindow::ChooseMergedOutput() {
  mergeTiles_ = true;
  if (files_->count() == 0) {
    mifName_->clear();
  } else {
    QString first = files_->item(0)->text();
    first.chop(std::min<qsizetype>(4, first.size()));
    mifName_->setText(first + QStringLiteral("etc.mif"));
  }
  mifName_->setReadOnly(false);
  SetMifFieldBackground(QPalette::Window);
  saveMif_->setEnabled(true);
}

void MainWindow::ChooseSeparateOutput() {
  mergeTiles_ = false;
  mifName_->setText(QStringLiteral("<Auto name>"));
  mifName_->setReadOnly(true);
  SetMifFieldBackground(QPalette::Button);
  saveMif_->setEnabled(false);
}

void MainWindow::StartTranslationRun() {
  if (running_) return;
  RunRequest request;
  // Paths go to the core in the file system's own encoding.
  for (int i = 0; i < files_->count(); ++i) request.files.push_back(QFile::encodeName(files_->item(i)->text()).toStdString());
  // Separate tiles are named after each NTF file; the field is not used.
  request.mergeTiles = mergeTiles_;
  if (request.files.size() == 1 || mergeTiles_)
    request.mifName = QFile::encodeName(MifNameFromField(mifName_->text())).toStdString();
  running_ = true;
  stopRequested_ = false;
  pumping_ = PumpStatistics{};
  sincePump_.invalidate();
  objectsPerFile_.clear();
  objectsTotal_ = 0;
  inFile_ = false;
  filesHandled_ = 0;
  runFiles_ = request.files;
  severalFiles_ = request.files.size() > 1;
  boxesSilenced_ = false;
  if (!request.files.empty()) {
    log_->clear();
    problems_->hide();
  }
  lastRun_ = driver_->StartTranslationRun(request);
  running_ = false;
  ShowTranslateAsStop(false);
  RefreshFigures();
  if (lastRun_.status != RunResult::Status::NoFiles) ShowRunOutcome(request);
  if (busyCursor_) {
    unsetCursor();
    busyCursor_ = false;
  }
  if (closeAfterRun_) close();
}

void MainWindow::ShowRunOutcome(const RunRequest& request) {
  // The figures of the whole run, from the run's own account of what it
  // wrote: a set discarded by a stop or a failure adds nothing.
  inFile_ = false;
  objectsTotal_ = lastRun_.ObjectsWritten();
  objectsShown_ = objectsPending_ = objectsTotal_;
  objectsCreated_->setText(QString::number(objectsTotal_));
  // The files whose output is on disk: the tiles of the sets written (a
  // tile cut short included, a stopped set's tiles not).
  std::size_t filesWritten = 0;
  for (const WrittenSet& set : lastRun_.sets) filesWritten += set.tiles.size();
  filesTranslated_->setText(QString::number(filesWritten));
  // The bar shows the end of the run, then starts again from nothing.
  progress_->setValue(progress_->maximum());
  if (progress_->isVisible()) progress_->repaint();
  progress_->setValue(0);
  progressPending_ = 0;

  const std::size_t skipped = lastRun_.filesSkipped, cut = lastRun_.filesCutShort;
  const std::size_t all = request.files.size();
  if (severalFiles_ && (skipped > 0 || cut > 0 || log_->topLevelItemCount() > 0)) {
    QStringList parts;
    if (skipped > 0) parts << QStringLiteral("%1 of %2 files skipped").arg(skipped).arg(all);
    if (cut > 0) parts << QStringLiteral("%1 cut short").arg(cut);
    if (parts.isEmpty()) parts << QStringLiteral("%1 messages").arg(log_->topLevelItemCount());
    problems_->setText(parts.join(QStringLiteral(", ")) + QStringLiteral(": show the &details"));
    problems_->show();
  }

  lastSets_ = WrittenSets();
  mapButton_->setEnabled(!lastSets_.isEmpty());
}

QStringList MainWindow::WrittenSets() const {
  // The sets the run put in place that hold something to draw.
  QStringList written;
  for (const WrittenSet& set : lastRun_.sets)
    if (std::any_of(set.members.begin(), set.members.end(), [](const SetMember& m) { return m.IsMif(); }))
      written << QFile::decodeName(QByteArray::fromStdString(set.mifName));
  return written;
}

void MainWindow::RequestStop() {
  if (!running_ || stopRequested_) return;
  stopRequested_ = true;
  status_->setText(FromView(ComposeMessage(MessageId::StatusStopping)));
}

void MainWindow::ShowMap() {
  if (lastSets_.isEmpty()) return;
  if (!map_) map_ = new MapWindow(this);
  map_->ShowSets(lastSets_);
}

void MainWindow::ShowHelp() {
  help_->show();
  help_->raise();
  help_->activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (running_) {
    // The run stops at its next check; the window closes when it has
    // closed its files.
    event->ignore();
    if (!stopRequested_ && messageBoxes_->ConfirmStopAndClose(this)) {
      stopRequested_ = true;
      closeAfterRun_ = true;
    }
    return;
  }
  help_->close();
  if (map_) map_->close();
  SaveGeometry();
  event->accept();
}

// ---------------------------------------------------------------------------
// The run's view.

// Control bytes in a message (a file's or a member's name, a library's
// reason) are shown escaped, as on the terminal.
void MainWindow::ShowMessage(MessageKind kind, std::string_view text) {
  const QString message = FromView(EscapeControls(text));
  // A message about the file being handled names it; the core puts the
  // path in the text of some.
  QString file;
  if (running_ && filesHandled_ < runFiles_.size()) {
    const QString current = QFile::decodeName(QByteArray::fromStdString(EscapeControls(runFiles_[filesHandled_])));
    if (inFile_ || message.contains(current)) file = current;
  }
  ReportMessage(kind, file, message);
}

void MainWindow::ShowFileMessage(MessageKind kind, std::string_view path, std::string_view text) {
  const QString file = QFile::decodeName(QByteArray::fromStdString(EscapeControls(path)));
  ReportMessage(kind, file, FromView(EscapeControls(text)));
}

void MainWindow::ReportMessage(MessageKind kind, const QString& path, const QString& bare) {
  RefreshFigures();
  // The box names the file as the command line does; the log has it in a
  // column of its own.
  const QString text =
      path.isEmpty() || bare.startsWith(path) ? bare : path + QStringLiteral(": ") + bare;
  if (running_) {
    auto* item = new QTreeWidgetItem(log_, {KindName(kind), QFileInfo(path).fileName(), bare});
    item->setToolTip(1, path);
    item->setToolTip(2, bare);
    log_->scrollToItem(item);
  }
  if (!running_ || !severalFiles_) {
    messageBoxes_->Show(this, kind, text);
  } else if (!boxesSilenced_) {
    boxesSilenced_ = messageBoxes_->ShowInRun(this, kind, text);
  }
}

void MainWindow::ShowStatus(std::string_view text) { status_->setText(FromView(text)); }

void MainWindow::ShowRecordsRead(std::int64_t count) { recordsPending_ = count; }

// While a file runs the figure is its own count; the run's total is summed
// from each file's last count and shown when the run ends. A count that
// comes after a file was handled (before the next starts) is that file's.
void MainWindow::ShowObjectsCreated(std::int64_t count) {
  if (objectsPerFile_.empty()) objectsPerFile_.push_back(0);
  objectsPerFile_.back() = count;
  objectsPending_ = count;
}

void MainWindow::ShowFilesSelected(std::size_t count) { filesSelected_->setText(QString::number(count)); }

void MainWindow::ShowFilesTranslated(std::size_t count) {
  // A file has been handled; one that never started (it could not be
  // loaded) has no objects.
  if (!inFile_) objectsPerFile_.push_back(0);
  inFile_ = false;
  filesHandled_ = count;
  filesTranslated_->setText(QString::number(count));
  progressPending_ = progress_->maximum();
}

void MainWindow::SetProgressMaximum(std::size_t lines) {
  // A file starts.
  objectsPerFile_.push_back(0);
  objectsPending_ = 0;
  inFile_ = true;
  progressPending_ = 0;
  progress_->setRange(0, std::max(1, ClampToInt(lines)));
  progress_->setValue(0);
}

void MainWindow::SetProgress(std::size_t line) {
  // Between files the bar stays at the end of the last one.
  if (inFile_) progressPending_ = ClampToInt(line);
}

void MainWindow::RefreshFigures() {
  if (recordsPending_ != recordsShown_) {
    recordsShown_ = recordsPending_;
    recordsRead_->setText(QString::number(recordsShown_));
  }
  if (objectsPending_ != objectsShown_) {
    objectsShown_ = objectsPending_;
    objectsCreated_->setText(QString::number(objectsShown_));
  }
  progress_->setValue(std::min(progressPending_, progress_->maximum()));
}

void MainWindow::RunStarted() {
  ShowTranslateAsStop(true);
  options_->LockForRun(true);
  mapButton_->setEnabled(false);
  openFiles_->setEnabled(false);
  saveMif_->setEnabled(false);
  network_->setEnabled(false);
  setCursor(Qt::WaitCursor);
  busyCursor_ = true;
}

void MainWindow::EnableRunControls() {
  for (QWidget* w : std::initializer_list<QWidget*>{helpButton_, aboutButton_, optionsButton_, close_, openFiles_, saveMif_,
                                                    translate_, network_})
    w->setEnabled(true);
  options_->LockForRun(false);
  ShowTranslateAsStop(false);
  RefreshFigures();
  if (busyCursor_) {
    unsetCursor();
    busyCursor_ = false;
  }
}

void MainWindow::PumpMessages() {
  ++pumping_.calls;
  if (sincePump_.isValid() && sincePump_.elapsed() < kPumpIntervalMs) return;
  QElapsedTimer cost;
  cost.start();
  RefreshFigures();
  QCoreApplication::processEvents();
  pumping_.nanoseconds += cost.nsecsElapsed();
  ++pumping_.pumps;
  sincePump_.start();
}

bool MainWindow::ConfirmReplace(const std::vector<std::string>& existing) {
  QStringList paths;
  for (const std::string& p : existing) paths << QFile::decodeName(QByteArray::fromStdString(p));
  return messageBoxes_->ConfirmReplace(this, paths);
}

}  // namespace quorvel::gui
