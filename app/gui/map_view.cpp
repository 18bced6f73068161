#include "map_view.hpp"

#include "dialogs.hpp"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>

namespace quorvel::gui {

using preview::HitRef;
using preview::Layer;
using preview::Viewport;

namespace {

// The view settles this long after the last wheel step before the
// picture is drawn again at the new scale.
constexpr int kSettleMs = 150;
// A press that moves less than this is a click, not a drag.
constexpr double kClickSlop = 4;

QString Decode(const std::string& text, const std::string& charset) {
  QString c = QString::fromStdString(charset).toLower();
  if (c == QLatin1String("utf-8") || c == QLatin1String("utf8")) return QString::fromUtf8(text.data(), text.size());
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

const char* KindName(preview::ObjectKind k) {
  switch (k) {
    case preview::ObjectKind::None: return "NONE";
    case preview::ObjectKind::Point: return "POINT";
    case preview::ObjectKind::MultiPoint: return "MULTIPOINT";
    case preview::ObjectKind::Line: return "LINE";
    case preview::ObjectKind::Pline: return "PLINE";
    case preview::ObjectKind::Region: return "REGION";
    case preview::ObjectKind::Text: return "TEXT";
  }
  return "";
}

}  // namespace

MapView::MapView(QWidget* parent)
    : QWidget(parent), sets_(std::make_shared<const std::vector<preview::PreviewSet>>()) {
  setObjectName(QStringLiteral("mapView"));
  setMouseTracking(false);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(200, 150);
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, [this] { update(); });
  connect(&watcher_, &QFutureWatcher<Picture>::finished, this, &MapView::PictureDone);
}

MapView::~MapView() { watcher_.waitForFinished(); }

void MapView::SetSets(std::vector<preview::PreviewSet> sets) {
  sets_ = std::make_shared<const std::vector<preview::PreviewSet>>(std::move(sets));
  ++generation_;
  index_.Build(*sets_);
  selected_.reset();
  Fit();
}

void MapView::SetLayerVisible(Layer layer, bool visible) {
  layers_[static_cast<int>(layer)] = visible;
  if (selected_ && (*sets_)[selected_->set].layers[selected_->layer].layer == layer && !visible) selected_.reset();
  update();
}

void MapView::Fit() {
  preview::Extent e = preview::SetsExtent(*sets_, layers_);
  if (e.empty) e = preview::SetsExtent(*sets_);
  view_ = preview::FitView(e, size());
  fitScale_ = view_.scale;
  fitted_ = true;
  moved_ = false;
  update();
}

void MapView::ZoomAt(QPointF pixel, double factor) {
  if (!(factor > 0)) return;
  const preview::XY w = view_.ToWorld(pixel);
  // Zooming out stops when the sets fill a thousandth of the view, zooming
  // in when the view shows a hundred-thousandth of them.
  const double scale = std::clamp(view_.scale * factor, fitScale_ / 1e3, fitScale_ * 1e5);
  if (scale == view_.scale) return;
  view_.scale = scale;
  view_.left = w.x - pixel.x() / scale;
  view_.top = w.y + pixel.y() / scale;
  ViewChanged();
}

void MapView::PanBy(QPointF pixels) {
  view_.left -= pixels.x() / view_.scale;
  view_.top += pixels.y() / view_.scale;
  ViewChanged();
}

void MapView::ViewChanged() {
  moved_ = true;
  // The cached picture is moved and scaled until the view settles.
  if (!dragging_) settle_.start();
  update();
}

std::optional<HitRef> MapView::ObjectAt(QPointF pixel) const {
  return index_.At(*sets_, view_.ToWorld(pixel), view_.scale, layers_);
}

RowValues MapView::RowOf(const HitRef& hit) const {
  RowValues row;
  if (hit.set < 0 || hit.set >= static_cast<int>(sets_->size())) return row;
  const preview::PreviewLayer& l = (*sets_)[hit.set].layers[hit.layer];
  std::vector<std::string> values;
  if (hit.object < static_cast<int>(l.rows.size())) values = preview::SplitRow(l.rows[hit.object], l.delimiter);
  const std::size_t n = std::max(l.columns.size(), values.size());
  for (std::size_t k = 0; k < n; ++k) {
    const QString name = k < l.columns.size() ? Decode(l.columns[k], l.charset) : QStringLiteral("(%1)").arg(k + 1);
    const QString value = k < values.size() ? Decode(values[k], l.charset) : QString();
    row.append({name, value});
  }
  return row;
}

QString MapView::DescribeObject(const HitRef& hit) const {
  const preview::PreviewLayer& l = (*sets_)[hit.set].layers[hit.layer];
  const preview::MapObject& o = l.objects[hit.object];
  return QStringLiteral("%1, %2 at line %3")
      .arg(QFileInfo(QString::fromStdString(l.mifPath)).fileName(), QLatin1String(KindName(o.kind)))
      .arg(o.line);
}

namespace {

QImage DrawPicture(const std::vector<preview::PreviewSet>& sets, const Viewport& view, QSize size, qreal dpr,
                   const preview::LayerMask& layers) {
  QImage image((QSizeF(size) * dpr).toSize(), QImage::Format_RGB32);
  if (image.isNull()) return image;
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::white);
  QPainter p(&image);
  preview::Draw(p, sets, view, size, layers);
  return image;
}

}  // namespace

MapView::Scene MapView::Current() const { return {view_, size(), devicePixelRatioF(), layers_, generation_}; }

void MapView::RenderNow() {
  const Scene scene = Current();
  cache_ = DrawPicture(*sets_, scene.view, scene.size, scene.dpr, scene.layers);
  cacheScene_ = scene;
  ++renders_;
}

void MapView::RequestPicture() {
  const Scene scene = Current();
  // One drawing at a time; when it ends, PictureDone asks again if the
  // view has moved on meanwhile.
  if (watcher_.isRunning()) return;
  drawing_ = scene;
  auto sets = sets_;
  watcher_.setFuture(QtConcurrent::run([sets, scene] {
    return Picture{DrawPicture(*sets, scene.view, scene.size, scene.dpr, scene.layers), scene};
  }));
}

void MapView::PictureDone() {
  Picture picture = watcher_.result();
  if (picture.scene.generation == generation_ && !picture.image.isNull()) {
    cache_ = std::move(picture.image);
    cacheScene_ = picture.scene;
    ++renders_;
  }
  // The view may have moved on while this was drawn.
  if (!(cacheScene_ == Current()) && !settle_.isActive() && !dragging_ && isVisible()) RequestPicture();
  update();
}

void MapView::WaitForPicture() {
  while (watcher_.isRunning()) {
    watcher_.waitForFinished();
    // Delivers the finished signal.
    QCoreApplication::processEvents();
  }
}

void MapView::paintEvent(QPaintEvent*) {
  if (!fitted_) Fit();
  // The first picture of new sets is drawn here and now; later ones on the
  // worker thread once the view settles, the old picture standing in.
  if (cache_.isNull() || cacheScene_.generation != generation_) RenderNow();
  else if (!(cacheScene_ == Current()) && !settle_.isActive() && !dragging_) RequestPicture();
  const Viewport& shown = cacheScene_.view;
  QPainter p(this);
  const bool sameView =
      shown.scale == view_.scale && shown.left == view_.left && shown.top == view_.top;
  if (sameView) {
    p.drawImage(0, 0, cache_);
  } else {
    // The cached picture where the current view puts it.
    p.fillRect(rect(), Qt::white);
    const double k = view_.scale / shown.scale;
    const double dx = (shown.left - view_.left) * view_.scale;
    const double dy = (view_.top - shown.top) * view_.scale;
    p.setTransform(QTransform(k, 0, 0, k, dx, dy));
    p.drawImage(0, 0, cache_);
    p.resetTransform();
  }
  if (selected_) {
    const preview::MapObject& o = (*sets_)[selected_->set].layers[selected_->layer].objects[selected_->object];
    const QPointF a = view_.ToPixel(o.extent.minX, o.extent.maxY);
    const QPointF b = view_.ToPixel(o.extent.maxX, o.extent.minY);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(0, 120, 215), 2, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(a, b).normalized().adjusted(-4, -4, 4, 4));
  }
}

void MapView::resizeEvent(QResizeEvent* event) {
  if (!fitted_) return;
  if (!moved_ || !event->oldSize().isValid()) {
    Fit();
    return;
  }
  // The same world point stays in the middle.
  const preview::XY centre = view_.ToWorld(QPointF(event->oldSize().width() / 2.0, event->oldSize().height() / 2.0));
  view_.left = centre.x - width() / 2.0 / view_.scale;
  view_.top = centre.y + height() / 2.0 / view_.scale;
}

void MapView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = true;
  dragging_ = false;
  pressAt_ = lastAt_ = event->position();
}

void MapView::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_) return;
  const QPointF at = event->position();
  if (!dragging_ && QLineF(at, pressAt_).length() < kClickSlop) return;
  if (!dragging_) {
    dragging_ = true;
    setCursor(Qt::ClosedHandCursor);
  }
  PanBy(at - lastAt_);
  lastAt_ = at;
}

void MapView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  if (dragging_) {
    dragging_ = false;
    unsetCursor();
    update();
    return;
  }
  Click(event->position());
}

void MapView::Click(QPointF pixel) {
  selected_ = ObjectAt(pixel);
  update();
  if (!selected_) {
    emit ClickedNothing();
    return;
  }
  emit ObjectClicked(DescribeObject(*selected_), RowOf(*selected_));
}

void MapView::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps == 0) return;
  ZoomAt(event->position(), std::pow(1.25, steps));
  event->accept();
}

MapWindow::MapWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("mapWindow"));
  setWindowTitle(tr("Map"));
  view_ = new MapView(this);

  auto* side = new QVBoxLayout;
  AddLayerBoxes(side);
  side->addSpacing(8);
  AddRowTable(side);

  auto* top = new QHBoxLayout;
  top->addWidget(view_, 1);
  top->addLayout(side);
  auto* all = new QVBoxLayout(this);
  all->addLayout(top, 1);
  all->addLayout(MakeButtonRow());
  resize(1100, 720);
  AddCloseShortcut(this);

  connect(view_, &MapView::ObjectClicked, this, &MapWindow::ShowRow);
  connect(view_, &MapView::ClickedNothing, this, [this] { ShowRow(tr("Nothing there."), {}); });
}

void MapWindow::AddLayerBoxes(QVBoxLayout* side) {
  side->addWidget(new QLabel(tr("Show:"), this));
  const struct {
    Layer layer;
    const char* name;
    QString caption;
  } boxes[] = {{Layer::Main, "layerMain", tr("Main objects")},
               {Layer::Text, "layerText", tr("Text")},
               {Layer::Polygons, "layerPolygons", tr("Polygons")},
               {Layer::Links, "layerLinks", tr("Links")}};
  for (const auto& b : boxes) {
    auto* box = new QCheckBox(b.caption, this);
    box->setObjectName(QLatin1String(b.name));
    box->setChecked(true);
    const Layer layer = b.layer;
    connect(box, &QCheckBox::toggled, this, [this, layer](bool on) { view_->SetLayerVisible(layer, on); });
    layerBoxes_[static_cast<int>(b.layer)] = box;
    side->addWidget(box);
  }
}

void MapWindow::AddRowTable(QVBoxLayout* side) {
  rowTitle_ = new QLabel(tr("Click an object to see its row."), this);
  rowTitle_->setObjectName(QStringLiteral("rowTitle"));
  rowTitle_->setWordWrap(true);
  side->addWidget(rowTitle_);
  rowTable_ = new QTableWidget(0, 2, this);
  rowTable_->setObjectName(QStringLiteral("rowTable"));
  rowTable_->setHorizontalHeaderLabels({tr("Column"), tr("Value")});
  rowTable_->verticalHeader()->setVisible(false);
  rowTable_->horizontalHeader()->setStretchLastSection(true);
  rowTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  rowTable_->setMinimumWidth(260);
  side->addWidget(rowTable_, 1);
}

QHBoxLayout* MapWindow::MakeButtonRow() {
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("mapStatus"));
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  status_->setVisible(false);

  auto* fit = new QPushButton(tr("&Fit"), this);
  fit->setObjectName(QStringLiteral("fitButton"));
  fit->setAutoDefault(false);
  connect(fit, &QPushButton::clicked, view_, &MapView::Fit);
  auto* close = new QPushButton(tr("&Close"), this);
  close->setObjectName(QStringLiteral("closeButton"));
  close->setAutoDefault(false);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(status_, 1);
  buttons->addStretch(0);
  buttons->addWidget(fit);
  buttons->addWidget(close);
  return buttons;
}

bool MapWindow::LoadSets(const QStringList& mifPaths) {
  std::vector<preview::PreviewSet> sets;
  QStringList errors;
  for (const QString& path : mifPaths) {
    preview::PreviewSet set;
    std::string error;
    if (preview::ReadSet(path.toStdString(), set, error)) sets.push_back(std::move(set));
    else errors << QString::fromStdString(error);
  }
  bool present[preview::kLayerCount] = {};
  for (const auto& s : sets)
    for (const auto& l : s.layers) present[static_cast<int>(l.layer)] = true;
  for (int k = 0; k < preview::kLayerCount; ++k) layerBoxes_[k]->setEnabled(present[k]);
  view_->SetSets(std::move(sets));
  ShowRow(tr("Click an object to see its row."), {});
  errors_ = errors.join(QLatin1Char('\n'));
  status_->setText(errors_);
  status_->setVisible(!errors.isEmpty());
  return errors.isEmpty();
}

bool MapWindow::ShowSets(const QStringList& mifPaths) {
  const bool ok = LoadSets(mifPaths);
  show();
  raise();
  activateWindow();
  return ok;
}

void MapWindow::ShowRow(const QString& title, const RowValues& row) {
  rowTitle_->setText(title);
  rowTable_->setRowCount(static_cast<int>(row.size()));
  for (int k = 0; k < row.size(); ++k) {
    rowTable_->setItem(k, 0, new QTableWidgetItem(row[k].first));
    rowTable_->setItem(k, 1, new QTableWidgetItem(row[k].second));
  }
  rowTable_->resizeColumnToContents(0);
}

}  // namespace quorvel::gui
