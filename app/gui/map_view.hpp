// The map: output sets drawn as MapInfo would show them, with panning by
// dragging, zooming by the wheel about the pointer, layers shown or hidden
// and a click on an object giving its MID row. MapWindow is the dialog
// around it.
#pragma once

#include <QDialog>
#include <QFutureWatcher>
#include <QImage>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "preview/hit_index.hpp"
#include "preview/mif_reader.hpp"
#include "preview/render.hpp"

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QTableWidget;
class QVBoxLayout;

namespace quorvel::gui {

// A MID row: (column name, value) pairs.
using RowValues = QList<QPair<QString, QString>>;

class MapView : public QWidget {
  Q_OBJECT

 public:
  explicit MapView(QWidget* parent = nullptr);
  ~MapView() override;

  void SetSets(std::vector<preview::PreviewSet> sets);
  const std::vector<preview::PreviewSet>& Sets() const { return *sets_; }

  void SetLayerVisible(preview::Layer layer, bool visible);
  bool LayerVisible(preview::Layer layer) const { return layers_[static_cast<int>(layer)]; }

  // Shows every object of the visible layers.
  void Fit();
  void ZoomAt(QPointF pixel, double factor);
  void PanBy(QPointF pixels);
  const preview::Viewport& View() const { return view_; }

  // The topmost object drawn at a point of the widget.
  std::optional<preview::HitRef> ObjectAt(QPointF pixel) const;
  RowValues RowOf(const preview::HitRef& hit) const;
  // A short name of the object: its file, kind and MIF line.
  QString DescribeObject(const preview::HitRef& hit) const;
  std::optional<preview::HitRef> Selected() const { return selected_; }

  // How often the whole picture has been drawn (the cached picture is
  // moved and scaled while dragging and zooming until the view settles,
  // then drawn again on a worker thread).
  int Renders() const { return renders_; }
  // Draws the cached picture for the current view now, on this thread.
  void RenderNow();
  // Whether a picture is being drawn on the worker thread; waits for it
  // (and any drawing asked for meanwhile) and shows it.
  bool Drawing() const { return watcher_.isRunning(); }
  void WaitForPicture();

  QSize sizeHint() const override { return {800, 600}; }

 signals:
  void ObjectClicked(const QString& title, const quorvel::gui::RowValues& row);
  void ClickedNothing();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void ViewChanged();
  void Click(QPointF pixel);
  // Starts drawing the current view on the worker thread, or marks it
  // wanted when a drawing is under way.
  void RequestPicture();
  void PictureDone();

  // What a picture shows; a picture is drawn again when this changes.
  struct Scene {
    preview::Viewport view;
    QSize size;
    qreal dpr = 1;
    preview::LayerMask layers{};
    int generation = -1;
    bool operator==(const Scene& o) const {
      return view.left == o.view.left && view.top == o.view.top && view.scale == o.view.scale && size == o.size &&
             dpr == o.dpr && layers == o.layers && generation == o.generation;
    }
  };
  Scene Current() const;
  struct Picture {
    QImage image;
    Scene scene;
  };

  // Shared with a drawing on the worker thread, which keeps its own copy
  // of the pointer while the sets are replaced.
  std::shared_ptr<const std::vector<preview::PreviewSet>> sets_;
  preview::HitIndex index_;
  preview::LayerMask layers_ = preview::kAllLayers;
  preview::Viewport view_;
  bool fitted_ = false;
  double fitScale_ = 1;  // the scale Fit gave: zooming is bounded around it
  bool moved_ = false;  // panned or zoomed since the last Fit

  QImage cache_;
  Scene cacheScene_;
  QFutureWatcher<Picture> watcher_;
  Scene drawing_;       // what the worker thread is drawing
  int generation_ = 0;  // bumped when the sets change
  QTimer settle_;
  int renders_ = 0;

  bool pressed_ = false, dragging_ = false;
  QPointF pressAt_, lastAt_;
  std::optional<preview::HitRef> selected_;
};

class MapWindow : public QDialog {
  Q_OBJECT

 public:
  explicit MapWindow(QWidget* parent = nullptr);

  // Reads the sets and shows them; a set that cannot be read is named in
  // the window and the others are shown. False when any failed.
  bool ShowSets(const QStringList& mifPaths);
  // The same without showing the window.
  bool LoadSets(const QStringList& mifPaths);

  MapView* View() const { return view_; }
  QString Errors() const { return errors_; }

 private:
  // The parts of the window, made by the constructor: the layer check
  // boxes and the clicked object's row beside the map, and below it the
  // line of the unreadable sets with the buttons.
  void AddLayerBoxes(QVBoxLayout* side);
  void AddRowTable(QVBoxLayout* side);
  QHBoxLayout* MakeButtonRow();
  void ShowRow(const QString& title, const RowValues& row);

  MapView* view_;
  QCheckBox* layerBoxes_[preview::kLayerCount];
  QTableWidget* rowTable_;
  QLabel* rowTitle_;
  QLabel* status_;
  QString errors_;
};

}  // namespace quorvel::gui
