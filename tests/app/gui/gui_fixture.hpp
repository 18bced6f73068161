// What the window tests share: file dialogs and message boxes that answer
// from the test, a window built on a scratch INI file, and lookups of
// controls by object name.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "main_window.hpp"
#include "prompts.hpp"

namespace quorvel::gui::test {

class FakeFileDialogs : public FileDialogs {
 public:
  // Answers in turn; an empty answer is a cancelled dialog.
  std::deque<QStringList> ntfAnswers;
  std::deque<QString> mifAnswers;
  // The folders the dialogs were asked to start in.
  QStringList ntfFolders, mifFolders;

  QStringList ChooseNtfFiles(QWidget*, const QString& folder) override {
    ntfFolders << folder;
    if (ntfAnswers.empty()) return {};
    QStringList a = ntfAnswers.front();
    ntfAnswers.pop_front();
    return a;
  }
  QString ChooseMifFile(QWidget*, const QString& folder) override {
    mifFolders << folder;
    if (mifAnswers.empty()) return {};
    QString a = mifAnswers.front();
    mifAnswers.pop_front();
    return a;
  }
};

struct ShownMessage {
  MessageKind kind;
  QString text;
  bool inRun = false;  // shown with "Don't show again in this run"
};

class FakeMessageBoxes : public MessageBoxes {
 public:
  std::vector<ShownMessage> shown;
  int confirmations = 0;
  bool confirmAnswer = true;
  // Runs while a message is on screen (the run waits meanwhile).
  std::function<void(const ShownMessage&)> onShow;
  // "Don't show again in this run" is checked in the box with this number
  // (1: the first); 0: never.
  int dontShowAgainAt = 0;

  void Show(QWidget*, MessageKind kind, const QString& text) override {
    shown.push_back({kind, text});
    if (onShow) onShow(shown.back());
  }
  bool ShowInRun(QWidget*, MessageKind kind, const QString& text) override {
    shown.push_back({kind, text, true});
    if (onShow) onShow(shown.back());
    return dontShowAgainAt > 0 && static_cast<int>(shown.size()) >= dontShowAgainAt;
  }
  bool ConfirmReplace(QWidget*, const QStringList& paths) override {
    replaceAsked << paths;
    return replace;
  }
  QStringList replaceAsked;
  bool replace = true;
  bool ConfirmStopAndClose(QWidget*) override {
    ++confirmations;
    return confirmAnswer;
  }
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch.isValid());
    iniPath = scratch.filePath(QStringLiteral("config/quorvel.ini"));
    Build();
  }
  void TearDown() override { window.reset(); }

  // (Re)builds the window, as a restart of the program would.
  void Build() {
    window.reset();
    window = std::make_unique<MainWindow>(iniPath);
    auto d = std::make_unique<FakeFileDialogs>();
    auto m = std::make_unique<FakeMessageBoxes>();
    dialogs = d.get();
    boxes = m.get();
    window->SetFileDialogs(std::move(d));
    window->SetMessageBoxes(std::move(m));
  }

  template <typename T>
  T* Find(const char* name) const {
    T* w = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  QString Scratch(const QString& name) const { return scratch.filePath(name); }
  // A copy of an example tile in the scratch folder.
  QString Example(const QString& name, const QString& as = QString()) const;
  static QString SourceDir() { return QStringLiteral(QUORVEL_SOURCE_DIR); }

  QTemporaryDir scratch;
  QString iniPath;
  std::unique_ptr<MainWindow> window;
  FakeFileDialogs* dialogs = nullptr;
  FakeMessageBoxes* boxes = nullptr;
};

inline QString WindowTest::Example(const QString& name, const QString& as) const {
  const QString target = scratch.filePath(as.isEmpty() ? name : as);
  QFile::remove(target);
  EXPECT_TRUE(QFile::copy(SourceDir() + QStringLiteral("/examples/") + name, target)) << name.toStdString();
  return target;
}

}  // namespace quorvel::gui::test
