// The ribbon's level controls: twins, captions, store-and-send and the wheel.
#include <QWheelEvent>

#include "protocol/slots.h"
#include "shell/ribbon_levels.h"
#include "view_fixture.h"

namespace udare::shell::viewtest {
namespace {

using namespace cmd;

TEST(RibbonCaptions, PrefixesBlanksAndFormats) {
    struct Case {
        int lang;
        QString got;
        const char* want;
    };
    const auto at = [](int lang, auto f) {
        setUiLanguage(lang);
        QString s = f();
        setUiLanguage(0);
        return s;
    };
    const Case cases[] = {
        {0, at(0, [] { return levelCaption(Level::MicVolume, 50); }), "话筒音量: 50"},
        {1, at(1, [] { return levelCaption(Level::MicVolume, 50); }), "Mic   Vol: 50"},
        {1, at(1, [] { return levelCaption(Level::EffectVolume, 100); }), "Efx     Vol:100"},
        {1, at(1, [] { return levelCaption(Level::MusicVolume, 0); }), "Music Vol:  0"},
        {1, at(1, [] { return levelCaption(Level::MicGate, 5); }), "Mic         NG:  5"},
        {1, at(1, [] { return levelCaption(Level::MusicGate, 12); }), "Music     NG: 12"},
        {0, at(0, [] { return levelCaption(Level::MusicVolume, 9); }), "音乐 音量:  9"},
        {0, at(0, [] { return fbcCaption(1, false); }), "反馈移频:OFF"},
        {0, at(0, [] { return fbcCaption(3, true); }), "反馈移频:3Hz"},
        {1, at(1, [] { return fbcCaption(5, false); }), "FBC:5Hz"},
        {1, at(1, [] { return fbcCaption(1, true); }), "MIC FBC:OFF"},
        {0, at(0, [] { return pitchCaption(0); }), "音乐变调:+0"},
        {1, at(1, [] { return pitchCaption(-3); }), "Music Pitch:-3"},
        {1, at(1, [] { return pitchCaption(8); }), "Music Pitch:+8"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, QString::fromUtf8(c.want)) << "language " << c.lang;
}

TEST_F(ViewFixture, VolumeMoveWhileMutedSendsTheVolumeThenTheUnmute) {
    buildSynced({}, [](sim::VirtualUnit& u) { u.setWireValues(GROUP_MIC, '3', {floatWire(0.0f)}); });
    ASSERT_EQ(session->state().slotInt(slot::micMute), 1);
    EXPECT_TRUE(ribbon->check(ID_CHK_MUTE1)->isChecked());
    EXPECT_TRUE(ribbon->check(ID_CHK_MUTE1_OUT)->isChecked());

    clearSent();
    slider(ID_SLIDER_MICVOL)->setValue(30);  // as a drag ends
    const int vol = find([](const HidReport& r) { return isParam(r, GROUP_MIC, '0'); });
    const int unmute = find([](const HidReport& r) { return isParam(r, GROUP_MIC, '3'); });
    ASSERT_GE(vol, 0);
    ASSERT_GT(unmute, vol);
    EXPECT_EQ(be32(sent()[vol], 6), enc::percent(30));
    EXPECT_EQ(be32(sent()[unmute], 6), floatWire(1.0f));
    EXPECT_EQ(session->state().slotInt(slot::micVolume), 30);
    EXPECT_EQ(session->state().slotInt(slot::micMute), 0);
    EXPECT_FALSE(ribbon->check(ID_CHK_MUTE1)->isChecked());
    EXPECT_FALSE(ribbon->check(ID_CHK_MUTE1_OUT)->isChecked());
    EXPECT_EQ(slider(ID_SLIDER_MICVOL_OUT)->value(), 30);
    EXPECT_EQ(text(ID_LABEL_MICVOL_OUT), QString::fromUtf8("话筒音量: 30"));

    // Without the mute only the volume goes out.
    clearSent();
    slider(ID_SLIDER_MICVOL)->setValue(31);
    EXPECT_EQ(countParam(GROUP_MIC, '0'), 1);
    EXPECT_EQ(countParam(GROUP_MIC, '3'), 0);
}

TEST_F(ViewFixture, MuteChecksToggleTheStateAndBothTwins) {
    buildSynced();
    clearSent();
    ribbon->check(ID_CHK_MUTE4_OUT)->click();
    EXPECT_EQ(session->state().slotInt(slot::musicMute), 1);
    EXPECT_TRUE(ribbon->check(ID_CHK_MUTE4)->isChecked());
    ASSERT_EQ(countParam(GROUP_MUSIC, '1'), 1);
    EXPECT_EQ(be32(sent()[find([](const HidReport& r) { return isParam(r, GROUP_MUSIC, '1'); })], 6),
              floatWire(0.0f));

    ribbon->check(ID_CHK_MUTE1)->click();
    EXPECT_EQ(session->state().slotInt(slot::micMute), 1);
    EXPECT_TRUE(ribbon->check(ID_CHK_MUTE1_OUT)->isChecked());
    ribbon->check(ID_CHK_MUTE1_OUT)->click();
    EXPECT_EQ(session->state().slotInt(slot::micMute), 0);
    EXPECT_FALSE(ribbon->check(ID_CHK_MUTE1)->isChecked());
}

TEST_F(ViewFixture, InputVolumeEndsAt99AndItsOutputTwinReaches100) {
    buildSynced();
    slider(ID_SLIDER_MICVOL)->setValue(100);
    EXPECT_EQ(session->state().slotInt(slot::micVolume), 99);

    ribbon->setActiveCategory(1);
    slider(ID_SLIDER_MICVOL_OUT)->setValue(100);
    EXPECT_EQ(session->state().slotInt(slot::micVolume), 100);
    EXPECT_EQ(slider(ID_SLIDER_MICVOL)->value(), 99);
    ribbon->setActiveCategory(0);
    EXPECT_EQ(slider(ID_SLIDER_MICVOL)->value(), 99);
    EXPECT_EQ(text(ID_LABEL_MICVOL), QString::fromUtf8("话筒音量:100"));
}

TEST_F(ViewFixture, FrequencyShiftAndPitchRenameTheirPanels) {
    buildSynced({}, {}, 1);
    RibbonCategory* in = ribbon->activeCategory();
    EXPECT_EQ(in->panel(3)->caption(), QStringLiteral("MIC FBC:OFF"));  // after a refresh
    clearSent();
    slider(ID_SLIDER_FBC)->setValue(5);
    EXPECT_EQ(in->panel(3)->caption(), QStringLiteral("FBC:5Hz"));  // after a move
    EXPECT_EQ(session->state().slotInt(slot::fbcShift), 5);
    EXPECT_EQ(slider(ID_SLIDER_FBC_OUT)->value(), 5);
    EXPECT_GE(countParam(GROUP_MIC, '6'), 1);

    slider(ID_SLIDER_PITCH)->setValue(-3);
    EXPECT_EQ(in->panel(4)->caption(), QStringLiteral("Music Pitch:-3"));
    EXPECT_EQ(session->state().slotInt(slot::musicPitch), -3);
    slider(ID_SLIDER_PITCH)->setValue(0);
    EXPECT_EQ(in->panel(4)->caption(), QStringLiteral("Music Pitch:+0"));

    // The category change refreshes from DeviceState with the refresh prefix.
    ribbon->setActiveCategory(1);
    EXPECT_EQ(ribbon->activeCategory()->panel(3)->caption(), QStringLiteral("MIC FBC:5Hz"));
}

// One wheel notch at a global point, sent to the widget there.
void turnWheel(QWidget* over, const QPoint& global, int delta) {
    QWidget* top = over->window();
    QWidget* target = top->childAt(top->mapFromGlobal(global));
    if (!target) target = top;
    QWheelEvent e(target->mapFromGlobal(global), global, QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &e);
}

TEST_F(ViewFixture, WheelOverAPanelStepsOnceAndKeepsTheTwinsEqual) {
    buildSynced();
    ribbon->setActiveCategory(1);
    slider(ID_SLIDER_EFXVOL_OUT)->setValue(50);
    pump(20);
    clearSent();

    RibbonPanel* efx = ribbon->activeCategory()->panel(1);
    const QPoint centre = efx->mapToGlobal(efx->rect().center());
    turnWheel(efx, centre, 120);
    EXPECT_EQ(session->state().slotInt(slot::effectVolume), 51);
    EXPECT_EQ(slider(ID_SLIDER_EFXVOL)->value(), 51);
    EXPECT_EQ(slider(ID_SLIDER_EFXVOL_OUT)->value(), 51);
    const auto all = sent();
    ASSERT_FALSE(all.empty());
    EXPECT_TRUE(isParam(all.back(), GROUP_MIC, '2'));
    EXPECT_EQ(be32(all.back(), 6), enc::percent(51));

    turnWheel(efx, centre, -120);
    EXPECT_EQ(session->state().slotInt(slot::effectVolume), 50);

    // Over the noise gate slider of the Input category.
    ribbon->setActiveCategory(0);
    QSlider* gate = slider(ID_SLIDER_NOISEGATE);
    turnWheel(gate, gate->mapToGlobal(gate->rect().center()), 120);
    EXPECT_EQ(session->state().slotInt(slot::micGateThreshold), 1);

    // Over the mode buttons nothing moves and nothing is sent.
    clearSent();
    RibbonPanel* modes = ribbon->activeCategory()->panel(5);
    turnWheel(modes, modes->mapToGlobal(modes->rect().center()), 120);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(session->state().slotInt(slot::effectVolume), 50);
}

}  // namespace
}  // namespace udare::shell::viewtest
