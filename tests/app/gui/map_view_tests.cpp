// The map window: fitting, zooming about the pointer, panning by dragging
// with one redraw when the drag ends, layers shown and hidden, a click
// giving the object's MID row, and sets that cannot be read.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "map_view.hpp"

namespace quorvel::gui::test {
namespace {

const char* kHeader =
    "Version 300\r\nCharset \"WindowsLatin1\"\r\nDelimiter \",\"\r\nColumns 2\r\n  Id integer\r\n"
    "  Name char (40)\r\nData\r\n\r\n";

class MapViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch.isValid());
    Write("set.mif", std::string(kHeader) +
                         "REGION 1\r\n 4\r\n0 0\r\n1000 0\r\n1000 1000\r\n0 1000\r\n  BRUSH (2,12632256)\r\n"
                         "PLINE 2\r\n100 500\r\n900 500\r\n  PEN (3,2,255)\r\n"
                         "POINT 250 750\r\n  SYMBOL (34,16711680,12)\r\n");
    Write("set.mid", "1,Field\r\n2,\"Road, \"\"Main\"\"\"\r\n3,Tree\r\n");
    Write("set_Text.mif", std::string(kHeader) + "TEXT \"Label\"\r\n600 800 900 850\r\n");
    Write("set_Text.mid", "4,Label\r\n");
    window.resize(900, 600);
    ASSERT_TRUE(window.ShowSets({Path("set.mif")})) << window.Errors().toStdString();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    view = window.View();
    QCoreApplication::processEvents();
    view->WaitForPicture();
  }
  QString Path(const char* name) const { return scratch.filePath(QLatin1String(name)); }
  void Write(const char* name, const std::string& text) {
    QFile f(Path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.data(), static_cast<qint64>(text.size()));
  }
  QPoint PixelOf(double x, double y) const { return view->View().ToPixel(x, y).toPoint(); }
  void Send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(at), view->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &e);
  }
  void Drag(QPoint from, QPoint to) {
    Send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int k = 1; k <= 5; ++k) Send(QEvent::MouseMove, from + (to - from) * k / 5, Qt::NoButton, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  }
  QTemporaryDir scratch;
  MapWindow window;
  MapView* view = nullptr;
};

TEST_F(MapViewTest, FitShowsEverythingCentred) {
  const QPoint low = PixelOf(0, 0), high = PixelOf(1000, 1000);
  EXPECT_GE(low.x(), 0);
  EXPECT_LE(high.x(), view->width());
  EXPECT_GE(high.y(), 0);
  EXPECT_LE(low.y(), view->height());
  EXPECT_NEAR((low.x() + high.x()) / 2.0, view->width() / 2.0, 2);
  EXPECT_NEAR((low.y() + high.y()) / 2.0, view->height() / 2.0, 2);
  const preview::Viewport fitted = view->View();
  view->ZoomAt(QPointF(10, 10), 3);
  window.findChild<QPushButton*>(QStringLiteral("fitButton"))->click();
  EXPECT_DOUBLE_EQ(view->View().scale, fitted.scale);
  EXPECT_DOUBLE_EQ(view->View().left, fitted.left);
}

TEST_F(MapViewTest, WheelZoomKeepsThePointUnderThePointer) {
  const QPoint at = PixelOf(250, 750);
  const preview::XY before = view->View().ToWorld(QPointF(at));
  const double scale = view->View().scale;
  QWheelEvent wheel(QPointF(at), view->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 240), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(view, &wheel);
  EXPECT_NEAR(view->View().scale, scale * 1.5625, 1e-9);
  const preview::XY w = view->View().ToWorld(QPointF(at));
  EXPECT_NEAR(w.x, before.x, 1e-6);
  EXPECT_NEAR(w.y, before.y, 1e-6);
  view->ZoomAt(QPointF(at), 0.5);
  EXPECT_NEAR(view->View().ToWorld(QPointF(at)).x, before.x, 1e-6);
  EXPECT_NEAR(view->View().scale, scale * 1.5625 * 0.5, 1e-9);
  // Zooming stops short of absurd scales either way.
  for (int k = 0; k < 200; ++k) view->ZoomAt(QPointF(at), 2);
  EXPECT_LE(view->View().scale, scale * 1e5 * 1.0001);
  for (int k = 0; k < 400; ++k) view->ZoomAt(QPointF(at), 0.5);
  EXPECT_GE(view->View().scale, scale / 1e3 * 0.9999);
}

TEST_F(MapViewTest, DraggingPansWithOneRedrawAtTheEnd) {
  view->RenderNow();
  const int before = view->Renders();
  const preview::XY grabbed = view->View().ToWorld(QPointF(300, 300));
  Drag(QPoint(300, 300), QPoint(360, 260));
  // During the drag the cached picture was moved, not redrawn at every move
  // (a slow machine may let the view settle once on the way).
  const int during = view->Renders();
  EXPECT_LE(during, before + 1);
  const preview::XY now = view->View().ToWorld(QPointF(360, 260));
  EXPECT_NEAR(now.x, grabbed.x, 1e-6);
  EXPECT_NEAR(now.y, grabbed.y, 1e-6);
  view->repaint();
  view->WaitForPicture();
  EXPECT_LE(view->Renders(), during + 1);
  // A drag selects nothing.
  EXPECT_FALSE(view->Selected().has_value());
}

TEST_F(MapViewTest, WheelStepsRedrawOnceTheViewSettles) {
  view->RenderNow();
  const int before = view->Renders();
  for (int k = 0; k < 4; ++k) {
    QWheelEvent wheel(QPointF(200, 200), view->mapToGlobal(QPointF(200, 200)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view, &wheel);
    view->repaint();
  }
  EXPECT_EQ(view->Renders(), before) << "the old picture is scaled meanwhile";
  QTest::qWait(400);
  view->WaitForPicture();
  EXPECT_EQ(view->Renders(), before + 1);
  // The new picture is of the zoomed view: the red point, 2.4 times larger.
  const QImage picture = view->grab().toImage();
  const QPoint p = PixelOf(250, 750);
  ASSERT_TRUE(view->rect().contains(p));
  EXPECT_EQ(picture.pixel(p) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(view->Renders(), before + 1) << "showing it draws nothing more";
}

TEST_F(MapViewTest, ClickShowsTheObjectsRow) {
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, PixelOf(500, 500));
  auto* table = window.findChild<QTableWidget*>(QStringLiteral("rowTable"));
  ASSERT_EQ(table->rowCount(), 2);
  EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("Id"));
  EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("2"));
  EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("Name"));
  EXPECT_EQ(table->item(1, 1)->text(), QStringLiteral("Road, \"Main\""));
  EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("rowTitle"))->text().contains(QStringLiteral("PLINE")));

  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, PixelOf(250, 750));
  EXPECT_EQ(table->item(1, 1)->text(), QStringLiteral("Tree"));
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, PixelOf(700, 820));
  EXPECT_EQ(table->item(1, 1)->text(), QStringLiteral("Label")) << "from the _Text member";
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, PixelOf(100, 100));
  EXPECT_EQ(table->item(1, 1)->text(), QStringLiteral("Field"));
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, PixelOf(-200, -200));
  EXPECT_EQ(table->rowCount(), 0);
}

TEST_F(MapViewTest, HiddenLayersAreNeitherDrawnNorHit) {
  auto* text = window.findChild<QCheckBox*>(QStringLiteral("layerText"));
  auto* main = window.findChild<QCheckBox*>(QStringLiteral("layerMain"));
  ASSERT_TRUE(text && main);
  EXPECT_TRUE(text->isEnabled());
  EXPECT_FALSE(window.findChild<QCheckBox*>(QStringLiteral("layerPolygons"))->isEnabled()) << "no _poly member";
  EXPECT_TRUE(view->ObjectAt(PixelOf(700, 820)).has_value());
  text->setChecked(false);
  EXPECT_FALSE(view->LayerVisible(preview::Layer::Text));
  const auto under = view->ObjectAt(PixelOf(700, 820));
  ASSERT_TRUE(under.has_value()) << "the region below";
  EXPECT_EQ(under->object, 0);
  main->setChecked(false);
  EXPECT_FALSE(view->ObjectAt(PixelOf(700, 820)).has_value());
  view->RenderNow();
  const QImage picture = view->grab().toImage();
  for (int y = 0; y < picture.height(); y += 7)
    for (int x = 0; x < picture.width(); x += 7) ASSERT_EQ(picture.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu) << x << "," << y;
}

TEST_F(MapViewTest, UnreadableSetsAreNamedAndEscapeCloses) {
  Write("broken.mif", std::string(kHeader) + "PLINE 4\r\n1 2\r\n");
  EXPECT_FALSE(window.ShowSets({Path("broken.mif"), Path("set.mif")}));
  auto* status = window.findChild<QLabel*>(QStringLiteral("mapStatus"));
  EXPECT_TRUE(status->isVisible());
  EXPECT_TRUE(status->text().contains(Path("broken.mif") + QStringLiteral(": line 11: ")));
  EXPECT_EQ(view->Sets().size(), 1u) << "the readable set is shown";
  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace quorvel::gui::test
