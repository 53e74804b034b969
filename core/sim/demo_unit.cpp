#include "sim/demo_unit.h"

#include "protocol/commands.h"
#include "protocol/equalisers.h"

namespace udare::sim {

namespace {

constexpr int kPeq = 1, kLp = 2, kHp = 3, kHs = 5;
constexpr int kLr24Section = 12;  // the Linkwitz-Riley 24 dB family: 12, 12, 1, 1

struct Band {
    int index, type, freq;
    float gain, q;
};

// A vocal microphone: rumble off, less boom and box, more presence and air.
constexpr Band kMicBands[] = {
    {0, kHp, 90, 0.0f, 0.7f},      {5, kPeq, 250, -2.5f, 1.41f}, {6, kPeq, 400, -3.0f, 2.0f},
    {10, kPeq, 2500, 2.0f, 1.41f}, {11, kPeq, 4000, 3.5f, 1.41f}, {13, kHs, 10000, 2.0f, 0.7f},
    {14, kLp, 16000, 0.0f, 0.7f},
};

// The room: a low shelf of warmth, a dip in the low mids, a little sparkle.
constexpr Band kMainBands[] = {
    {0, kHp, 35, 0.0f, 0.7f},      {4, kPeq, 65, 2.5f, 1.0f},     {9, kPeq, 200, -1.5f, 1.41f},
    {13, kPeq, 500, -2.0f, 1.41f}, {19, kPeq, 2400, 1.0f, 1.41f}, {21, kPeq, 5600, 1.5f, 1.41f},
    {23, kHs, 12000, 2.0f, 0.7f},
};

void shape(Ctx& c, Eq eq, const Band* bands, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const Band& b = bands[i];
        SetEqBand(c, eq, b.index, b.type, b.freq, b.gain, b.q);
    }
}

}  // namespace

void WriteDemoSettings(Ctx& c) {
    SetMicVolume(c, 75);
    SetEffectVolume(c, 60);
    SetMusicVolume(c, 65);
    SetEchoVolume(c, 50);
    SetEchoRatio(c, 45);
    SetEchoPreDelay(c, 20.0f);
    SetReverbVolume(c, 40);
    SetReverbTime(c, 50);
    SetReverbPreDelay(c, 25.0f);
    SetFbcShift(c, 3);

    shape(c, Eq::Mic1, kMicBands, std::size(kMicBands));
    shape(c, Eq::Mic2, kMicBands, std::size(kMicBands));
    shape(c, Eq::Main, kMainBands, std::size(kMainBands));
    // Subwoofer: a touch of weight, then a Linkwitz-Riley 24 dB low-pass at 90 Hz.
    SetEqBand(c, Eq::Sub, 0, kPeq, 50, 3.0f, 1.41f);
    const int xover = c.st.subSections() - 4;
    const int sections[4] = {kLr24Section, kLr24Section, kPeq, kPeq};
    for (int k = 0; k < 4; ++k) SetEqBand(c, Eq::Sub, xover + k, sections[k], 90, 0.0f, 0.707f);

    struct Mix {
        int group, mic, echo, reverb, music, volume;
    };
    static constexpr Mix kMix[] = {
        {GROUP_MAIN, 100, 90, 80, 100, 85},
        {GROUP_REAR, 80, 70, 70, 90, 70},
        {GROUP_CENTER, 100, 60, 50, 80, 75},
        {GROUP_SUB, 40, 20, 20, 100, 80},
    };
    for (const Mix& m : kMix) {
        SetOutputLevel(c, m.group, Source::Mic, m.mic);
        SetOutputLevel(c, m.group, Source::Echo, m.echo);
        SetOutputLevel(c, m.group, Source::Reverb, m.reverb);
        SetOutputLevel(c, m.group, Source::Music, m.music);
        SetOutputVolume(c, m.group, m.volume);
    }
    // The rear speakers sit behind the singer's audience: a short delay.
    SetOutputDelay(c, GROUP_REAR, Side::Left, 12.0f);
    SetOutputDelay(c, GROUP_REAR, Side::Right, 12.0f);
    SetOutputDelayOn(c, GROUP_REAR, Side::Left, 1);
    SetOutputDelayOn(c, GROUP_REAR, Side::Right, 1);

    for (int g = GROUP_MAIN; g <= GROUP_SUB; ++g) {
        const bool sub = g == GROUP_SUB;
        SetCompressor(c, g, sub ? -6.0f : -8.0f, sub ? 3.0f : 4.0f, sub ? 20.0f : 10.0f, sub ? 300.0f : 200.0f);
        SetCompressorBypass(c, g, 0);
    }
}

}  // namespace udare::sim
