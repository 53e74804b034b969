// Button drawn from PNG pictures, with standard, alternate, pressed, hover
// and grey looks. Clicks reach the parent as ordinary button clicks.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <array>

namespace udare::controls {

class CGdipButton : public QAbstractButton {
    Q_OBJECT
public:
    enum Look {
        LookStd,
        LookStdPressed,
        LookStdHover,
        LookAlt,
        LookAltPressed,
        LookAltHover,
        LookGrey,
        LookCount
    };

    explicit CGdipButton(QWidget* parent = nullptr);

    bool LoadStdImage(const QString& resource);
    bool LoadAltImage(const QString& resource);
    void SetAlternate(bool alternate);
    void SetGrey(bool grey);
    void SetToggle(bool toggle);
    void SetToolTipText(const QString& text);
    void SetTextColour(const QColor& c);

    bool alternate() const { return alternate_; }
    bool grey() const { return grey_; }
    bool hasAltImage() const { return !alt_.isNull(); }
    bool hovering() const { return hovering_; }

    static Look ChooseLook(bool grey, bool alternate, bool pressed, bool hover);
    // The colour matrices of the hover and grey looks, per pixel.
    static QRgb HoverPixel(QRgb p);
    static QRgb GreyPixel(QRgb p);
    static QImage RenderLook(const QImage& picture, QSize size, Look look);
    const QImage& look(Look l);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void invalidateLooks();

    QImage std_, alt_;
    bool alternate_ = false;
    bool toggle_ = false;
    bool hovering_ = false;
    bool grey_ = false;
    QColor textColour_{Qt::black};
    std::array<QImage, LookCount> looks_;
    bool looksBuilt_ = false;
};

}  // namespace udare::controls
