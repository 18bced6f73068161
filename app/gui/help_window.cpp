#include "help_window.hpp"

#include "dialogs.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quorvel::gui {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Quorvel Help"));
  resize(820, 560);
  AddCloseShortcut(this);
  auto* layout = new QHBoxLayout(this);
  auto* splitter = new QSplitter(this);
  layout->addWidget(splitter);

  tabs_ = new QTabWidget(splitter);
  tabs_->setObjectName(QStringLiteral("HelpTabs"));
  tabs_->addTab(MakeContentsPage(), QStringLiteral("&Contents"));
  tabs_->addTab(MakeIndexPage(), QStringLiteral("&Index"));

  text_ = new QTextBrowser(splitter);
  text_->setObjectName(QStringLiteral("HelpText"));
  text_->setOpenLinks(false);
  text_->setHtml(QString::fromUtf8(HelpText()));
  splitter->addWidget(tabs_);
  splitter->addWidget(text_);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({240, 580});
  FollowChoices();
}

QWidget* HelpWindow::MakeContentsPage() {
  contents_ = new QTreeWidget(tabs_);
  contents_->setObjectName(QStringLiteral("HelpContents"));
  contents_->setHeaderHidden(true);
  int topicCount = 0;
  const HelpTopic* topics = HelpTopics(&topicCount);
  QTreeWidgetItem* chapter = nullptr;
  for (int i = 0; i < topicCount; ++i) {
    QTreeWidgetItem* item = (topics[i].level == 0 || !chapter) ? new QTreeWidgetItem(contents_) : new QTreeWidgetItem(chapter);
    if (topics[i].level == 0) chapter = item;
    item->setText(0, QString::fromUtf8(topics[i].title));
    item->setData(0, Qt::UserRole, QString::fromLatin1(topics[i].anchor));
  }
  contents_->expandAll();
  return contents_;
}

QWidget* HelpWindow::MakeIndexPage() {
  auto* indexPage = new QWidget(tabs_);
  auto* indexLayout = new QVBoxLayout(indexPage);
  indexLayout->addWidget(new QLabel(QStringLiteral("Type the first letters of the word you are looking for:"), indexPage));
  indexFilter_ = new QLineEdit(indexPage);
  indexFilter_->setObjectName(QStringLiteral("HelpIndexFilter"));
  indexLayout->addWidget(indexFilter_);
  index_ = new QListWidget(indexPage);
  index_->setObjectName(QStringLiteral("HelpIndex"));
  int indexCount = 0;
  const HelpIndexEntry* entries = HelpIndex(&indexCount);
  for (int i = 0; i < indexCount; ++i) {
    auto* item = new QListWidgetItem(QString::fromUtf8(entries[i].keyword), index_);
    item->setData(Qt::UserRole, QString::fromLatin1(entries[i].anchor));
  }
  index_->sortItems();
  indexLayout->addWidget(index_);
  return indexPage;
}

void HelpWindow::FollowChoices() {
  connect(contents_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item) ShowTopic(item->data(0, Qt::UserRole).toString());
  });
  connect(index_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item) ShowTopic(item->data(Qt::UserRole).toString());
  });
  connect(indexFilter_, &QLineEdit::textChanged, this, &HelpWindow::FilterIndex);
  connect(text_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
    if (url.scheme().isEmpty() && url.hasFragment()) ShowTopic(url.fragment());
  });
}

void HelpWindow::ShowTopic(const QString& anchor) { text_->scrollToAnchor(anchor); }

void HelpWindow::FilterIndex(const QString& text) {
  // Jumps to the first keyword that starts with the typed letters.
  for (int i = 0; i < index_->count(); ++i) {
    if (index_->item(i)->text().startsWith(text, Qt::CaseInsensitive)) {
      index_->setCurrentRow(i);
      index_->scrollToItem(index_->item(i), QAbstractItemView::PositionAtTop);
      return;
    }
  }
}

}  // namespace quorvel::gui
