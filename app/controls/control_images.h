// Resource paths of the controls' pictures (drawn by scripts/make-images).
#pragma once

#include <QString>

namespace udare::controls::images {

// Slider skins: one channel picture (channel and active channel) and three
// thumbs (normal, focused, disabled) per orientation.
inline const QString kSliderHChannel = QStringLiteral(":/images/slider_h_channel.png");
inline const QString kSliderHThumb = QStringLiteral(":/images/slider_h_thumb.png");
inline const QString kSliderHThumbFocus = QStringLiteral(":/images/slider_h_thumb_focus.png");
inline const QString kSliderHThumbDisabled = QStringLiteral(":/images/slider_h_thumb_disabled.png");
inline const QString kSliderVChannel = QStringLiteral(":/images/slider_v_channel.png");
inline const QString kSliderVThumb = QStringLiteral(":/images/slider_v_thumb.png");
inline const QString kSliderVThumbFocus = QStringLiteral(":/images/slider_v_thumb_focus.png");
inline const QString kSliderVThumbDisabled = QStringLiteral(":/images/slider_v_thumb_disabled.png");

inline const QString kBackArrow = QStringLiteral(":/images/back.png");
// Caption-less button surfaces for buttons whose text is drawn at run time.
inline const QString kButton = QStringLiteral(":/images/button.png");
inline const QString kButtonAlt = QStringLiteral(":/images/button_alt.png");

// Page button picture with its caption: page 0-7 (MIC ... SUB), Chinese or
// English caption, standard or alternate (current page) look.
inline QString PageButton(int page, bool english, bool alternate) {
    static const char* const kNames[8] = {"mic",  "echo", "reverb", "music",
                                          "main", "rear", "center", "sub"};
    if (page < 0 || page > 7) page = 0;
    return QStringLiteral(":/images/page_%1_%2%3")
        .arg(QString::fromLatin1(kNames[page]), english ? QStringLiteral("en") : QStringLiteral("zh"),
             alternate ? QStringLiteral("_alt.png") : QStringLiteral(".png"));
}

}  // namespace udare::controls::images
