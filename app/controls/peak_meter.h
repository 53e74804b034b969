// Segmented LED-style level meter. The host pushes levels; between updates
// the bars fall back on a periodic timer that runs on the UI thread.
#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>
#include <vector>

namespace udare::controls {

struct MeterChannel {
    int level = 0;
    int peak = 0;
    int hold = 0;
};

class CPeakMeterCtrl : public QWidget {
    Q_OBJECT
public:
    enum Zone { ZoneNormal, ZoneMedium, ZoneHigh };
    static constexpr int kStyleHorizontal = 1;

    explicit CPeakMeterCtrl(QWidget* parent = nullptr);

    // Drawing options and limits; the host sets them, then calls ResetChannels.
    int style = 0;
    QColor background;
    QColor normalColour{0, 255, 0}, mediumColour{255, 255, 0}, highColour{255, 0, 0};
    QColor normalUnlit{2, 60, 2}, mediumUnlit{60, 60, 2}, highUnlit{60, 2, 2};
    int normalLimit = 180;
    int mediumLimit = 200;
    int maximum = 230;
    int channelCount = 8;
    int segmentCount = 8;
    int holdTicks = 10;
    bool grid = false;
    bool falloff = true;

    void ResetChannels();
    // Takes levels[i] as channel i's new level; false when levels is null.
    bool SetChannelLevel(const int* levels, int i);
    // Starts (or restarts) the decay timer with the given period.
    bool StartTimer(int periodMs);
    void StopTimer();
    // One decay step; the timer calls it, tests may too.
    void DecayTick();

    bool timerActive() const { return timer_.isActive(); }
    bool timerStarted() const { return timerStarted_; }
    int timerPeriod() const { return period_; }
    const std::vector<MeterChannel>& channels() const { return channels_; }

    // Segment geometry of the horizontal layout.
    static int EffectiveSegments(int segmentCount, int maximum);
    static int LitSegments(int level, int segments, int maximum);
    static Zone SegmentZone(int j, int segments, int normalLimit, int mediumLimit, int maximum);
    // Rectangle of segment j of bar `row` in a client area of the given size.
    static QRect SegmentRect(QSize client, int row, int channels, int j, int segments);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::vector<MeterChannel> channels_;
    QTimer timer_;
    bool timerStarted_ = false;
    int period_ = 10;
};

}  // namespace udare::controls
