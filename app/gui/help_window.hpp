// The program's help: a window with the contents and an index beside the
// help text.
#pragma once

#include <QWidget>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;

namespace quorvel::gui {

struct HelpTopic {
  const char* anchor;
  const char* title;
  int level;  // 0: a chapter, 1: a topic in it
};

struct HelpIndexEntry {
  const char* keyword;
  const char* anchor;
};

// The help text (HTML with one anchor per topic), its contents and index.
const char* HelpText();
const HelpTopic* HelpTopics(int* count);
const HelpIndexEntry* HelpIndex(int* count);

class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent);

  // Shows the topic with this anchor.
  void ShowTopic(const QString& anchor);

 private:
  // The two pages of the tabs, made into tabs_.
  QWidget* MakeContentsPage();
  QWidget* MakeIndexPage();
  // A topic chosen in the contents, the index or a link is shown; typed
  // letters find their keyword in the index.
  void FollowChoices();
  void FilterIndex(const QString& text);

  QTabWidget* tabs_;
  QTreeWidget* contents_;
  QLineEdit* indexFilter_;
  QListWidget* index_;
  QTextBrowser* text_;
};

}  // namespace quorvel::gui
