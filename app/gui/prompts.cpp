#include "prompts.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace quorvel::gui {

QStringList QtFileDialogs::ChooseNtfFiles(QWidget* parent, const QString& folder) {
  QFileDialog dialog(parent, QStringLiteral("Open"), folder, QString::fromLatin1(kNTFFilter));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setDefaultSuffix(QStringLiteral("ntf"));
  if (dialog.exec() != QDialog::Accepted) return {};
  QStringList files;
  for (const QString& f : dialog.selectedFiles())
    if (QFileInfo(f).isFile()) files << QFileInfo(f).absoluteFilePath();
  return files;
}

QString QtFileDialogs::ChooseMifFile(QWidget* parent, const QString& folder) {
  QFileDialog dialog(parent, QStringLiteral("Save As"), folder, QString::fromLatin1(kMIFFilter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("mif"));
  for (;;) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QFileInfo chosen(dialog.selectedFiles().first());
    // A read-only file cannot take the output: ask again.
    if (chosen.exists() && !chosen.isWritable()) {
      QMessageBox::warning(&dialog, QApplication::applicationName(),
                           chosen.fileName() + QStringLiteral(" is read-only.\nChoose another name."));
      continue;
    }
    return chosen.absoluteFilePath();
  }
}

namespace {

QMessageBox::Icon IconOf(MessageKind kind) {
  if (kind == MessageKind::Error) return QMessageBox::Critical;
  if (kind == MessageKind::Warning) return QMessageBox::Warning;
  return QMessageBox::Information;
}

}  // namespace

void QtMessageBoxes::Show(QWidget* parent, MessageKind kind, const QString& text) {
  QMessageBox box(IconOf(kind), QApplication::applicationName(), text, QMessageBox::Ok, parent);
  box.setObjectName(QStringLiteral("MessageBox"));
  box.exec();
}

bool QtMessageBoxes::ShowInRun(QWidget* parent, MessageKind kind, const QString& text) {
  QMessageBox box(IconOf(kind), QApplication::applicationName(), text, QMessageBox::Ok, parent);
  box.setObjectName(QStringLiteral("MessageBox"));
  auto* again = new QCheckBox(QString::fromUtf8(kDontShowAgain), &box);
  again->setObjectName(QStringLiteral("CheckBoxDontShowAgain"));
  box.setCheckBox(again);
  box.exec();
  return again->isChecked();
}

bool QtMessageBoxes::ConfirmStopAndClose(QWidget* parent) {
  QMessageBox box(QMessageBox::Question, QApplication::applicationName(), QString::fromLatin1(kStopAndCloseQuestion),
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

bool QtMessageBoxes::ConfirmReplace(QWidget* parent, const QStringList& paths) {
  // The list is cut after twenty names; the box says how many there are.
  QStringList shown = paths.mid(0, 20);
  if (paths.size() > shown.size()) shown << QStringLiteral("... and %1 more").arg(paths.size() - shown.size());
  QMessageBox box(QMessageBox::Question, QStringLiteral("Quorvel"),
                  QString::fromUtf8(kReplaceQuestion) + QStringLiteral("\n\n") + shown.join(QLatin1Char('\n')),
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace quorvel::gui
