// Picture-skinned slider: a channel picture, a thumb picture, whole steps
// between a minimum and a maximum. Every user change of position is posted
// to the parent as SliderPositionChanged(control id, position).
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace udare::controls {

class CXBmpSlider : public QWidget {
    Q_OBJECT
public:
    explicit CXBmpSlider(int controlId = 0, QWidget* parent = nullptr);

    // Pixel geometry shared by painting and mouse handling.
    struct Geometry {
        int minimum = 0, maximum = 127;
        int leftMargin = 0, rightMargin = 0, topMargin = 0, bottomMargin = 0;
        int controlWidth = 0, controlHeight = 0;
        int thumbWidth = 0, thumbHeight = 0;
        bool vertical = false;
    };
    // Thumb's leading pixel (x when horizontal, y when vertical) for a position.
    static int ThumbPixel(const Geometry& g, int position);
    // Position for a mouse coordinate along the axis (already less half the
    // thumb size), clamped to the range.
    static int PixelToPosition(const Geometry& g, int p);
    // Top-left corner of the thumb for a position.
    static QPoint ThumbOrigin(const Geometry& g, int position);

    void SetRange(int minimum, int maximum);
    void SetPosition(int p);
    void SetEnabled(bool enabled);
    bool SetChannelImage(const QString& resource);
    // Normal, focused and disabled thumb; the thumb size comes from the normal one.
    bool SetThumbImages(const QString& normal, const QString& focused, const QString& disabled);
    void SetMargins(int left, int top, int right, int bottom);
    void SetVertical(bool vertical);
    void SetBackgroundColour(const QColor& c);
    // One wheel notification (also when disabled); hosts that route the
    // wheel by focus call it directly.
    void WheelStep(int delta);
    // A move made by the user (or a screen reader): clamped, then reported.
    void MoveByUser(int p);

    int controlId() const { return id_; }
    int position() const { return position_; }
    int minimum() const { return geo_.minimum; }
    int maximum() const { return geo_.maximum; }
    bool isSliderEnabled() const { return enabled_; }
    bool isDragging() const { return dragging_; }
    bool isFocused() const { return focused_; }
    const Geometry& geometryModel() const { return geo_; }
    QRect thumbRect() const;

    QSize sizeHint() const override;

signals:
    void SliderPositionChanged(int controlId, int position);
    void SliderFocused(int controlId);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void setClamped(int p);
    void postPosition();

    int id_;
    Geometry geo_;
    int position_ = 0;
    bool dragging_ = false;
    bool enabled_ = true;
    bool focused_ = false;
    QColor background_{0xC7, 0xC7, 0xC7};
    QImage channel_, activeChannel_;
    QImage thumbs_[3];  // normal, focused, disabled
};

}  // namespace udare::controls
