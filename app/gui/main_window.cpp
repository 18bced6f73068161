#include "main_window.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "dialogs.hpp"
#include "help_window.hpp"
#include "ini_file.hpp"
#include "pictures.hpp"

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

MainWindow::MainWindow(QString iniPath, QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      iniPath_(std::move(iniPath)),
      fileDialogs_(std::make_unique<QtFileDialogs>()),
      messageBoxes_(std::make_unique<QtMessageBoxes>()) {
  setObjectName(QStringLiteral("TFormMain"));
  setWindowTitle(QStringLiteral("Quorvel "));
  setWindowIcon(DrawProgramIcon());
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

  // Centred on the desktop.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r = frameGeometry();
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
  }
}

MainWindow::~MainWindow() = default;

ProductOptionDialog* MainWindow::OptionDialog(std::string_view key) const {
  for (ProductOptionDialog* d : productOptions_)
    if (d->option().key == key) return d;
  return nullptr;
}

void MainWindow::SetFileDialogs(std::unique_ptr<FileDialogs> dialogs) { fileDialogs_ = std::move(dialogs); }
void MainWindow::SetMessageBoxes(std::unique_ptr<MessageBoxes> boxes) { messageBoxes_ = std::move(boxes); }

void MainWindow::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(6);

  // Status band.
  auto* band = new QFrame(this);
  band->setObjectName(QStringLiteral("PanelStatus"));
  band->setAutoFillBackground(true);
  QPalette white = band->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  band->setPalette(white);
  auto* bandLayout = new QHBoxLayout(band);
  bandLayout->setContentsMargins(10, 8, 10, 8);
  status_ = new QLabel(QStringLiteral("Select NTF file(s), then click Translate..."), band);
  status_->setObjectName(QStringLiteral("LabelStatus"));
  QFont bold = status_->font();
  bold.setBold(true);
  status_->setFont(bold);
  status_->setFixedWidth(520);
  bandLayout->addWidget(status_);
  layout->addWidget(band);

  auto* body = new QVBoxLayout;
  body->setContentsMargins(10, 0, 10, 0);
  body->setSpacing(6);

  // Captions.
  auto* captions = new QHBoxLayout;
  auto* title = new QLabel(QStringLiteral("OS NTF to MapInfo MIF/MID Translator"), this);
  title->setObjectName(QStringLiteral("LabelTitle"));
  QFont titleFont = title->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
  title->setFont(titleFont);
  auto* version = new QLabel(QStringLiteral("Version 3.5"), this);
  version->setObjectName(QStringLiteral("LabelVersion"));
  captions->addWidget(title);
  captions->addStretch();
  captions->addWidget(version);
  body->addLayout(captions);

  // NTF files.
  auto* ntfGroup = new QGroupBox(QStringLiteral(" NTF file(s) : "), this);
  ntfGroup->setObjectName(QStringLiteral("GroupBoxNTF"));
  auto* ntfLayout = new QHBoxLayout(ntfGroup);
  files_ = new QListWidget(ntfGroup);
  files_->setObjectName(QStringLiteral("ListBoxNTF_Files"));
  files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  files_->setFixedHeight(90);
  openFiles_ = Button(QStringLiteral("BitBtnOpenNTF_Files"), QStringLiteral("&Select File(s)..."),
                      QStringLiteral("Select the NTF file(s) to translate"), ntfGroup);
  ntfLayout->addWidget(files_, 1);
  ntfLayout->addWidget(openFiles_, 0, Qt::AlignTop);
  body->addWidget(ntfGroup);

  // MIF name.
  auto* mifGroup = new QGroupBox(QStringLiteral(" MIF file:  "), this);
  mifGroup->setObjectName(QStringLiteral("GroupBoxMIF"));
  auto* mifLayout = new QHBoxLayout(mifGroup);
  mifName_ = new QLineEdit(mifGroup);
  mifName_->setObjectName(QStringLiteral("EditMIF_File"));
  saveMif_ = Button(QStringLiteral("BitBtnSaveMIF"), QStringLiteral("&Change..."), QStringLiteral("Select a MIF file"), mifGroup);
  mifLayout->addWidget(mifName_, 1);
  mifLayout->addWidget(saveMif_);
  body->addWidget(mifGroup);

  // Output option, network data and the counters.
  auto* middle = new QHBoxLayout;
  auto* options = new QVBoxLayout;
  auto* outputGroup = new QGroupBox(QStringLiteral("Output options: "), this);
  outputGroup->setObjectName(QStringLiteral("GroupBoxOutput"));
  auto* outputLayout = new QVBoxLayout(outputGroup);
  merge_ = new QRadioButton(QStringLiteral("Mer&ge tiles"), outputGroup);
  merge_->setObjectName(QStringLiteral("RadioButtonMerge"));
  merge_->setToolTip(QStringLiteral("Merge translated files into a single MIF"));
  merge_->setChecked(true);
  separate_ = new QRadioButton(QStringLiteral("Sep&arate tiles"), outputGroup);
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
  body->addLayout(middle);

  // Progress.
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
  body->addWidget(progressGroup);
  layout->addLayout(body);

  // Command band.
  auto* commands = new QFrame(this);
  commands->setObjectName(QStringLiteral("PanelCommands"));
  commands->setFrameShape(QFrame::StyledPanel);
  commands->setFrameShadow(QFrame::Sunken);
  auto* commandLayout = new QHBoxLayout(commands);
  helpButton_ = Button(QStringLiteral("BitBtnHelp"), QStringLiteral("&Help"), QStringLiteral("Help on Quorvel"), commands);
  aboutButton_ = Button(QStringLiteral("ButtonAbout"), QStringLiteral("&About Quorvel"), QString(), commands);
  optionsButton_ = Button(QStringLiteral("ButtonOptions"), QStringLiteral("&Options"), QString(), commands);
  translate_ = Button(QStringLiteral("BitBtnTranslate"), QStringLiteral("&Translate"), QStringLiteral("Start translating file(s)"),
                      commands);
  close_ = Button(QStringLiteral("BitBtnClose"), QStringLiteral("C&lose"), QStringLiteral("Close the program"), commands);
  commandLayout->addWidget(helpButton_);
  commandLayout->addWidget(aboutButton_);
  commandLayout->addWidget(optionsButton_);
  commandLayout->addStretch();
  commandLayout->addWidget(translate_);
  commandLayout->addWidget(close_);
  layout->addSpacing(4);
  layout->addWidget(commands);

  // Fixed size.
  layout->activate();
  setFixedSize(std::max(560, sizeHint().width()), sizeHint().height());

  // Splash panel, in front of the middle of the window; hidden until the
  // splash period starts.
  auto* splash = new SplashPanel(DrawProgramPicture(QSize(380, 210)), this);
  splash->setObjectName(QStringLiteral("PanelSplash"));
  splash->move((width() - splash->width()) / 2, (height() - splash->height()) / 2);
  splash->hide();
  splash_ = splash;
  splashTimer_ = new QTimer(this);
  splashTimer_->setObjectName(QStringLiteral("TimerSplash"));
  connect(splashTimer_, &QTimer::timeout, this, &MainWindow::EndSplash);

  connect(openFiles_, &QPushButton::clicked, this, &MainWindow::SelectNtfFiles);
  connect(saveMif_, &QPushButton::clicked, this, &MainWindow::ChooseMifFile);
  connect(merge_, &QRadioButton::clicked, this, &MainWindow::ChooseMergedOutput);
  connect(separate_, &QRadioButton::clicked, this, &MainWindow::ChooseSeparateOutput);
  connect(network_, &QCheckBox::toggled, this, [this](bool on) { settings_.extractNetworkData = on; });
  connect(translate_, &QPushButton::clicked, this, &MainWindow::StartTranslationRun);
  connect(helpButton_, &QPushButton::clicked, this, &MainWindow::ShowHelp);
  connect(aboutButton_, &QPushButton::clicked, this, [this] { about_->exec(); });
  connect(optionsButton_, &QPushButton::clicked, this, [this] { options_->exec(); });
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
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
  SortFileNames(chosen);
  files_->clear();
  files_->addItems(chosen);
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
  status_->setText(QStringLiteral("Ready"));
  filesTranslated_->setText(QStringLiteral("0"));
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
  lastRun_ = driver_->StartTranslationRun(request);
  running_ = false;
  RefreshFigures();
  if (busyCursor_) {
    unsetCursor();
    busyCursor_ = false;
  }
  if (closeAfterRun_) close();
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
  event->accept();
}

// ---------------------------------------------------------------------------
// The run's view.

void MainWindow::ShowMessage(MessageKind kind, std::string_view text) {
  RefreshFigures();
  messageBoxes_->Show(this, kind, FromView(text));
}

void MainWindow::ShowStatus(std::string_view text) { status_->setText(FromView(text)); }

void MainWindow::ShowRecordsRead(std::int64_t count) { recordsPending_ = count; }
void MainWindow::ShowObjectsCreated(std::int64_t count) { objectsPending_ = count; }

void MainWindow::ShowFilesSelected(std::size_t count) { filesSelected_->setText(QString::number(count)); }
void MainWindow::ShowFilesTranslated(std::size_t count) { filesTranslated_->setText(QString::number(count)); }

void MainWindow::SetProgressMaximum(std::size_t lines) {
  progress_->setRange(0, std::max(1, ClampToInt(lines)));
}

void MainWindow::SetProgress(std::size_t line) { progressPending_ = ClampToInt(line); }

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
  translate_->setEnabled(false);
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

}  // namespace quorvel::gui
