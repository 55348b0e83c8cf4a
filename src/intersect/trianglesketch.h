// The small drawing of the triangle ABC in the intersection windows. Only the
// strokes are painted; the labels of the drawing are ordinary QLabel children
// placed on it by the form.
#pragma once

#include <QWidget>

class TriangleSketch : public QWidget {
    Q_OBJECT
  public:
    // Angles: the triangle with its base line AB (Line1 to Line3).
    // Bearings: grid-north lines at A and B, the rays to C, and the circle
    // at B that shows a bearing runs clockwise from north (Line1 to Line4,
    // Shape1).
    enum class Kind { Angles, Bearings };

    explicit TriangleSketch(QWidget* parent = nullptr);

    void setKind(Kind kind);
    Kind kind() const { return kind_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Kind kind_ = Kind::Angles;
};
