#include "trianglesketch.h"

#include <QPainter>

// The coordinates match the label positions in trianglewindow_angles.ui and
// trianglewindow_bearings.ui; move both together.
namespace {
constexpr QPointF kA{30, 118}, kB{210, 118}, kC{120, 30};    // angles
constexpr QPointF kNA{40, 160}, kNB{196, 160}, kNC{118, 44}; // bearings
constexpr qreal kNorthTop = 24;
constexpr qreal kShape1Radius = 16;
} // namespace

TriangleSketch::TriangleSketch(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TriangleSketch::setKind(Kind kind) {
    kind_ = kind;
    updateGeometry();
    update();
}

QSize TriangleSketch::sizeHint() const {
    return kind_ == Kind::Angles ? QSize(240, 144) : QSize(240, 186);
}

void TriangleSketch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1.5));

    if (kind_ == Kind::Angles) {
        p.drawLine(kA, kB); // Line1
        p.drawLine(kA, kC); // Line2
        p.drawLine(kB, kC); // Line3
        return;
    }
    p.drawLine(kNA, QPointF(kNA.x(), kNorthTop));     // Line1, grid north at A
    p.drawLine(kNB, QPointF(kNB.x(), kNorthTop));     // Line2, grid north at B
    p.drawLine(kNA, kNC);                             // Line3
    p.drawLine(kNB, kNC);                             // Line4
    p.drawEllipse(kNB, kShape1Radius, kShape1Radius); // Shape1
}
