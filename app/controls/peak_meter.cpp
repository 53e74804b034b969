#include "peak_meter.h"

#include <QPainter>
#include <algorithm>

#include "control_accessible.h"

namespace udare::controls {

CPeakMeterCtrl::CPeakMeterCtrl(QWidget* parent) : QWidget(parent) {
    InstallAccessibleFactory();
    background = palette().color(QPalette::Button);
    setAttribute(Qt::WA_OpaquePaintEvent);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &CPeakMeterCtrl::DecayTick);
    ResetChannels();
}

void CPeakMeterCtrl::ResetChannels() {
    channels_.assign(static_cast<size_t>(std::max(0, channelCount)),
                     MeterChannel{maximum, maximum, holdTicks});
    update();
}

bool CPeakMeterCtrl::SetChannelLevel(const int* levels, int i) {
    if (levels == nullptr) return false;
    if (i < 0 || i >= static_cast<int>(channels_.size())) return true;
    MeterChannel& c = channels_[static_cast<size_t>(i)];
    c.level = std::clamp(levels[i], 0, maximum);
    if (c.peak < c.level) {
        c.peak = c.level;
        c.hold = holdTicks;
    }
    if (timerStarted_) return StartTimer(period_);
    update();
    return true;
}

bool CPeakMeterCtrl::StartTimer(int periodMs) {
    if (periodMs <= 0) return false;
    period_ = periodMs;
    timer_.stop();
    timer_.start(period_);
    timerStarted_ = true;
    return true;
}

void CPeakMeterCtrl::StopTimer() {
    timer_.stop();
    timerStarted_ = false;
}

void CPeakMeterCtrl::DecayTick() {
    update();
    const int s = segmentCount;
    const int step = s > 1 ? maximum / s : maximum * 10 / 100;
    bool changed = false;
    for (MeterChannel& c : channels_) {
        if (c.level > 0 || c.hold > 0 || c.peak > 0) changed = true;
        if (c.level > 0) c.level = std::max(0, c.level - step);
        if (c.hold > 0) --c.hold;
        if (c.hold == 0 && c.peak > 0) c.peak = std::max(0, c.peak - (s > 1 ? step / 2 : 5));
    }
    // An idle meter stops its timer; the next level restarts it.
    if (!changed) timer_.stop();
}

int CPeakMeterCtrl::EffectiveSegments(int segmentCount, int maximum) {
    return segmentCount <= 1 ? maximum * 10 / 100 : segmentCount;
}

int CPeakMeterCtrl::LitSegments(int level, int segments, int maximum) {
    return maximum > 0 ? level * segments / maximum : 0;
}

CPeakMeterCtrl::Zone CPeakMeterCtrl::SegmentZone(int j, int segments, int normalLimit,
                                                 int mediumLimit, int maximum) {
    if (maximum <= 0) return ZoneNormal;
    const int m = normalLimit * segments / maximum;
    const int h = mediumLimit * segments / maximum;
    if (j < m) return ZoneNormal;
    if (j < h) return ZoneMedium;
    return ZoneHigh;
}

QRect CPeakMeterCtrl::SegmentRect(QSize client, int row, int channels, int j, int segments) {
    if (channels <= 0 || segments <= 0) return {};
    const int rowH = client.height() / channels;
    const int extra = client.height() - rowH * channels;  // spare pixels go above the first row
    const int segW = client.width() / segments;
    int top = extra + row * rowH;
    int bottom = top + rowH;
    int left = j * segW;
    const int right = left + segW;
    if (segments > 1) left += 1;
    if (channels > 1) {
        top += 1;
        bottom -= 1;
    }
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

void CPeakMeterCtrl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), background);
    const int s = EffectiveSegments(segmentCount, maximum);
    const int n = static_cast<int>(channels_.size());
    // Only the horizontal layout is used; a vertical style draws the same rows.
    for (int row = 0; row < n; ++row) {
        const int lit = LitSegments(channels_[static_cast<size_t>(row)].level, s, maximum);
        for (int j = 0; j < s; ++j) {
            const Zone z = SegmentZone(j, s, normalLimit, mediumLimit, maximum);
            const bool on = j < lit;
            const QColor& c = z == ZoneNormal ? (on ? normalColour : normalUnlit)
                              : z == ZoneMedium ? (on ? mediumColour : mediumUnlit)
                                                : (on ? highColour : highUnlit);
            p.fillRect(SegmentRect(size(), row, n, j, s), c);
        }
    }
}

}  // namespace udare::controls
