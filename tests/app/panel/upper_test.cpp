// The panel's upper area: the effect list and its slider, the previews, the
// output mixes, delays and compressor, checked on the reports they send.
#include <QCheckBox>
#include <QGroupBox>
#include <QTest>
#include <QWheelEvent>

#include <cstring>

#include "compress_panel.h"
#include "panel_fixture.h"
#include "protocol/codec.h"
#include "report_ctrl.h"
#include "small_eq_panel.h"

namespace udare::panel::paneltest {
namespace {

// One parameter write as it went out.
struct Param {
    int group;
    char code;
    std::vector<uint32_t> values;
};

uint32_t bits(float f) { return floatBits(f); }

class UpperTest : public PanelTest {
protected:
    std::vector<Param> params() const {
        std::vector<Param> out;
        for (const HidReport& r : rig.out.reports) {
            if (r[1] != 0x09) continue;
            Param p{r[3], static_cast<char>(r[4]), {}};
            for (int i = 0; i < r[5]; ++i) p.values.push_back(getBe32(&r[6 + 4 * i]));
            out.push_back(p);
        }
        return out;
    }
    // A user's move of a slider, handled by the panel.
    void move(int id, int position) {
        slider(id)->MoveByUser(position);
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    void clickRow(int row) {
        auto* list = panel->controlAs<controls::CReportCtrl>(id::kEffectList);
        list->setCurrentCell(row, 1);
        emit list->cellPressed(row, 1);
    }
    QString text(int id) const {
        QWidget* w = panel->control(id);
        if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
        if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
        if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
        return {};
    }
    QString effectCell(int row) const {
        return panel->controlAs<controls::CReportCtrl>(id::kEffectList)->ItemText(row, 2);
    }
    void expectParams(const std::vector<Param>& want) const {
        const auto got = params();
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(got[i].group, want[i].group);
            EXPECT_EQ(got[i].code, want[i].code);
            EXPECT_EQ(got[i].values, want[i].values);
        }
    }
};

// ---- effect list ----

TEST_F(UpperTest, EachRowWritesItsParameterWithItsRangeAndText) {
    rig.st.setSlotInt(slot::echoRatio, 50);
    make();
    struct Case {
        int row;
        int min, max;
        int position;
        const char* text;
        std::vector<Param> params;
    };
    const Case cases[] = {
        {0, 0, 100, 30, "30%", {{3, '0', {bits(0.3f)}}}},
        {1, 3, 200, 40, "40ms", {{3, '3', {960}}, {3, '4', {960}}}},
        {2, 0, 100, 100, "5000ms", {{3, '5', {bits(1.0f)}}, {3, '6', {bits(1.0f)}}}},
        {3, 0, 100, 55, "55%", {{2, '0', {bits(0.55f)}}}},
        {4, 3, 200, 3, "3ms", {{2, '3', {72}}, {2, '4', {72}}}},
        {5, 180, 260, 200, "200ms",
         {{2, '5', {9600}}, {2, '6', {19200}}, {2, '7', {28800}}, {2, '8', {38400}},
          {2, '9', {48000}}, {2, ':', {57600}}, {2, ';', {67200}}}},
        // Start level 100 at ratio 50: 100, 50.5, 25.5025 ... each sent / 100.
        {6, 40, 100, 100, "100%",
         {{2, '<', {bits(1.0f)}}, {2, '=', {0x3F0147AE}}, {2, '>', {0x3E8292A3}},
          {2, '?', {0x3E03E0E7}}, {2, '@', {0x3D853283}}, {2, 'A', {0x3D06877F}},
          {2, 'B', {0x3C87DFE4}}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.row);
        clickRow(k.row);
        EXPECT_EQ(panel->effectRow(), k.row);
        EXPECT_EQ(slider(id::kEffectSlider)->minimum(), k.min);
        EXPECT_EQ(slider(id::kEffectSlider)->maximum(), k.max);
        rig.out.clear();
        move(id::kEffectSlider, k.position);
        expectParams(k.params);
        EXPECT_EQ(effectCell(k.row), QString::fromUtf8(k.text));
        EXPECT_EQ(text(id::kEffectValue), QString::fromUtf8(k.text));
    }
    EXPECT_EQ(text(id::kEffectFrame), QStringLiteral("回声起始音量"));
}

TEST_F(UpperTest, RatioRecomputesTapsTwoToSevenFromTheWholeStartLevel) {
    rig.st.setSlotFloat(slot::echoTapLevel0, 100.7f);
    make();
    clickRow(7);
    rig.out.clear();
    move(id::kEffectSlider, 50);
    expectParams({{2, 'C', {bits(0.5f)}}, {2, '=', {0x3F0147AE}}, {2, '>', {0x3E8292A3}},
                  {2, '?', {0x3E03E0E7}}, {2, '@', {0x3D853283}}, {2, 'A', {0x3D06877F}},
                  {2, 'B', {0x3C87DFE4}}});
    EXPECT_EQ(rig.st.slotFloat(slot::echoTapLevel0), 100.7f);
    EXPECT_EQ(effectCell(7), QStringLiteral("50%"));
}

TEST_F(UpperTest, RowsShowTheStoreAndTheSliderStaysInItsRange) {
    rig.st.setSlotFloat(slot::reverbPreDelayA, 10.6f);
    rig.st.setSlotFloat(slot::reverbPreDelayB, 10.6f);  // 21.2 ms shown whole
    rig.st.setSlotFloat(slot::reverbTime, 0.0f);
    rig.st.setSlotFloat(slot::echoTapDelay0, 100.0f);  // below the slider's 180
    make();
    EXPECT_EQ(effectCell(1), QStringLiteral("21ms"));
    EXPECT_EQ(effectCell(2), QStringLiteral("40ms"));
    EXPECT_EQ(effectCell(5), QStringLiteral("100ms"));
    // Before any click the slider edits the reverb level.
    EXPECT_EQ(text(id::kEffectFrame), QStringLiteral("混响电平"));
    move(id::kEffectSlider, 12);
    expectParams({{3, '0', {bits(0.12f)}}});

    clickRow(5);
    EXPECT_EQ(text(id::kEffectValue), QStringLiteral("100ms"));
    EXPECT_EQ(slider(id::kEffectSlider)->position(), 180);
    EXPECT_EQ(text(id::kEffectFrame), QStringLiteral("回声间隔"));
}

TEST_F(UpperTest, ColoursAndTheGreyMusicPage) {
    make();
    auto* list = panel->controlAs<controls::CReportCtrl>(id::kEffectList);
    EXPECT_EQ(list->ItemTextColor(2, 1), QColor(0x3F, 0xDC, 0x59));
    EXPECT_EQ(list->ItemTextColor(3, 2), QColor(0xFA, 0xBA, 0x48));
    auto* echo = panel->controlAs<controls::CSmallEqPanel>(id::kEchoPreview);
    EXPECT_EQ(echo->lineColour, QColor(0x00, 0xC8, 0xFF));

    panel->SetPage(PAGE_MUSIC);
    for (int r : {0, 7}) EXPECT_EQ(list->ItemTextColor(r, 0), QColor(0x64, 0x64, 0x64));
    EXPECT_EQ(echo->lineColour, QColor(0x64, 0x64, 0x64));
    EXPECT_TRUE(shown(id::kEffectList));
    EXPECT_FALSE(list->isEnabled());
    EXPECT_FALSE(echo->isEnabled());
    EXPECT_FALSE(slider(id::kEffectSlider)->isSliderEnabled());
    // Nothing reacts: a click, a wheel turn, a slider notification.
    rig.out.clear();
    clickRow(4);
    EXPECT_EQ(panel->effectRow(), 0);
    slider(id::kEffectSlider)->WheelStep(120);
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    EXPECT_TRUE(params().empty());
    EXPECT_EQ(panel->pageNumber(), PAGE_MUSIC);
}

TEST_F(UpperTest, WheelStepsTheEffectOnlyWithARowSelected) {
    make();
    auto* list = panel->controlAs<controls::CReportCtrl>(id::kEffectList);
    host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    list->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), list);
    list->clearSelection();
    testinput::Wheel(list->viewport(), 120);
    EXPECT_TRUE(params().empty());
    clickRow(3);
    rig.out.clear();
    // The pointer over another slider: the effect slider still takes the turn.
    testinput::Wheel(slider(1052), 120);
    testinput::Wheel(list->viewport(), 0);
    expectParams({{2, '0', {bits(0.01f)}}});
    EXPECT_EQ(effectCell(3), QStringLiteral("1%"));
}

TEST_F(UpperTest, PreviewsFollowTheEchoAndReverbBands) {
    SetEqBand(rig.c, Eq::Echo, 2, 2, 5000, 6.0f, 0.5f);   // low-pass: gain and Q from the store
    SetEqBand(rig.c, Eq::Reverb, 0, 1, 100, -3.0f, 0.5f); // peaking: Q at least 1.0
    SetEqBand(rig.c, Eq::Reverb, 1, 9, 200, 0.0f, 1.0f);  // beyond 5: off
    rig.st.setSlotInt(slot::reverbEqBypass, 1);
    make();
    auto* echo = panel->controlAs<controls::CSmallEqPanel>(id::kEchoPreview);
    auto* reverb = panel->controlAs<controls::CSmallEqPanel>(id::kReverbPreview);
    EXPECT_EQ(echo->bands[2].type, 2);
    EXPECT_FLOAT_EQ(echo->bands[2].frequency, 5000.0f);
    EXPECT_FLOAT_EQ(echo->bands[2].q, 0.5f);
    EXPECT_FALSE(echo->pass);
    EXPECT_EQ(reverb->bands[0].type, 1);
    EXPECT_FLOAT_EQ(reverb->bands[0].gain, -3.0f);
    EXPECT_FLOAT_EQ(reverb->bands[0].q, 1.0f);
    EXPECT_EQ(reverb->bands[1].type, 0);
    EXPECT_TRUE(reverb->pass);

    emit echo->clicked();
    EXPECT_EQ(panel->pageNumber(), PAGE_ECHO);
    panel->SetPage(PAGE_MIC);
    emit reverb->clicked();
    EXPECT_EQ(panel->pageNumber(), PAGE_REVERB);
    EXPECT_TRUE(params().empty());
}

// ---- mixes and delays ----

TEST_F(UpperTest, MixSlidersWriteTheirPagesSlotsInOrder) {
    make();
    struct Case {
        int page, slider, position;
        std::vector<int> stores;
        std::vector<Param> params;
    };
    const uint32_t v40 = bits(0.4f);
    const Case cases[] = {
        {PAGE_MAIN, 1053, 40, {48, 49, 50}, {{5, '0', {v40}}, {5, '1', {v40}}, {5, '2', {v40}}}},
        {PAGE_MAIN, 1052, 40, {53}, {{5, '5', {v40, v40}}}},
        {PAGE_REAR, 1054, 40, {62}, {{6, '3', {v40}}}},
        {PAGE_CENTER, 1054, 40, {71, 72}, {{7, '1', {v40}}, {7, '2', {v40}}}},
        {PAGE_SUB, 1052, 40, {86}, {{8, '5', {v40}}}},
        {PAGE_SUB, 1055, 40, {84}, {{8, '3', {v40}}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.stores.front());
        for (int s : k.stores) rig.st.setSlotInt(s, 0);
        panel->SetPage(k.page);
        rig.out.clear();
        move(k.slider, k.position);
        expectParams(k.params);
        for (int s : k.stores) EXPECT_EQ(rig.st.slotInt(s), k.position);
        EXPECT_EQ(text(1152 + 2 * (k.slider - 1052)), QStringLiteral("40"));
    }
    // The refresh reads the first slot of Main Mic and the reverb slot of Cen Efx.
    rig.st.setSlotInt(48, 7);
    rig.st.setSlotInt(49, 8);
    panel->SetPage(PAGE_MAIN);
    EXPECT_EQ(slider(1053)->position(), 7);
    rig.st.setSlotInt(71, 20);
    rig.st.setSlotInt(72, 150);
    panel->SetPage(PAGE_CENTER);
    EXPECT_EQ(slider(1054)->position(), 100);
    EXPECT_EQ(text(1156), QStringLiteral("150"));
    // Nothing on the input pages.
    panel->SetPage(PAGE_MIC);
    rig.out.clear();
    move(1052, 10);
    EXPECT_TRUE(params().empty());
}

TEST_F(UpperTest, CaptionsPerPageAndLanguageKeepTheirBlanks) {
    struct Case {
        int language, page;
        const char* mix[4];
        const char* left;
        const char* right;  // null: hidden
    };
    const Case cases[] = {
        {0, PAGE_MAIN, {"主输出音量", "主输出话筒音量", "主输出音乐音量", ""}, "主输出左延时", "主输出右延时"},
        {1, PAGE_REAR, {"Rear Vol", "Rear Mic", "Rear Music", ""}, "Rear.L Delay", "Rear.R Delay"},
        {0, PAGE_CENTER, {"中置总音量", "中置直达音量", "中置效果音量", "中置音乐音量"}, "中置 延时", nullptr},
        {1, PAGE_CENTER, {"CEN Vol", "CEN Direct", "Cen Efx", "Cen Music"}, "Cen  Delay", nullptr},
        {1, PAGE_SUB, {"SUB Vol", "SUB Direct", "SUB Efx", "SUB Music"}, "Sub  Delay", nullptr},
        {0, PAGE_MIC, {"", "", "", ""}, nullptr, nullptr},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.page * 10 + k.language);
        make(k.language, k.page);
        for (int m = 0; m < 4; ++m) EXPECT_EQ(text(1153 + 2 * m), QString::fromUtf8(k.mix[m]));
        EXPECT_EQ(shown(id::kDelaySwitchL), k.left != nullptr);
        if (k.left) {
            EXPECT_EQ(text(id::kDelaySwitchL), QString::fromUtf8(k.left));
            EXPECT_EQ(slider(1052)->accessibleName(), QString::fromUtf8(k.mix[0]));
        }
        EXPECT_EQ(shown(id::kDelaySwitchR), k.right != nullptr);
        if (k.right) {
            EXPECT_EQ(text(id::kDelaySwitchR), QString::fromUtf8(k.right));
        }
    }
}

TEST_F(UpperTest, DelaysShowTheStoreAndNeverSendBelowOnePointFive) {
    rig.st.setSlotFloat(slot::mainDelayLeft, 0.5f);  // as a mode file may hold it
    rig.st.setSlotFloat(slot::mainDelayRight, 37.25f);
    rig.st.setSlotInt(slot::mainDelayRightOn, 1);
    make(0, PAGE_MAIN);
    EXPECT_EQ(text(id::kDelayValueL), QStringLiteral("0.5ms"));
    EXPECT_EQ(slider(id::kDelaySliderL)->position(), 15);
    EXPECT_EQ(text(id::kDelayValueR), QStringLiteral("37.2ms"));
    EXPECT_EQ(slider(id::kDelaySliderR)->position(), 372);
    EXPECT_TRUE(panel->controlAs<QCheckBox>(id::kDelaySwitchR)->isChecked());
    EXPECT_FALSE(panel->controlAs<QCheckBox>(id::kDelaySwitchL)->isChecked());

    move(id::kDelaySliderL, 15);
    expectParams({{5, '8', {72}}});
    EXPECT_EQ(rig.st.slotFloat(slot::mainDelayLeft), 1.5f);
    EXPECT_EQ(text(id::kDelayValueL), QStringLiteral("1.5ms"));
    rig.out.clear();
    move(id::kDelaySliderR, 1000);
    expectParams({{5, ':', {4800}}});
    EXPECT_EQ(text(id::kDelayValueR), QStringLiteral("100.0ms"));

    // Switches: inverted on the wire; the sub has only its first delay.
    rig.out.clear();
    panel->controlAs<QCheckBox>(id::kDelaySwitchL)->click();
    EXPECT_EQ(rig.st.slotInt(slot::mainDelayLeftOn), 1);
    panel->SetPage(PAGE_SUB);
    panel->controlAs<QCheckBox>(id::kDelaySwitchL)->click();
    move(id::kDelaySliderL, 100);
    expectParams({{5, '9', {0}}, {8, '9', {0}}, {8, '8', {480}}});
    EXPECT_EQ(rig.st.slotFloat(slot::subDelay), 10.0f);
}

TEST_F(UpperTest, DelaysHiddenBelowProtocolTwo) {
    rig.st.identity.protocolVersion = 1;
    make(0, PAGE_MAIN);
    EXPECT_FALSE(shown(id::kDelaySliderL));
    EXPECT_FALSE(shown(id::kDelaySliderR));
    EXPECT_TRUE(shown(id::kCompCurve));
}

// ---- compressor ----

TEST_F(UpperTest, CompressorSlidersKeepTheOtherValues) {
    const int b = outputBase(GROUP_REAR);
    rig.st.setSlotFloat(b + COMP_THRESHOLD, -20.0f);
    rig.st.setSlotFloat(b + COMP_RATIO, 2.55f);
    rig.st.setSlotFloat(b + COMP_ATTACK, 10.0f);
    rig.st.setSlotFloat(b + COMP_RELEASE, 100.0f);
    make(0, PAGE_REAR);
    EXPECT_EQ(slider(1056)->position(), -20);
    EXPECT_EQ(slider(1057)->position(), 25);  // 25.5 truncated
    EXPECT_EQ(text(1160), QStringLiteral("-20dB"));
    EXPECT_EQ(text(1162), QStringLiteral("2.5:1"));  // 2.55 in single precision lies below 2.55
    EXPECT_EQ(text(1164), QStringLiteral("10ms"));
    auto* curve = panel->controlAs<controls::CCompressPanelPlus>(id::kCompCurve);
    EXPECT_FLOAT_EQ(curve->lowerKnee, -90.0f);
    EXPECT_FLOAT_EQ(curve->lowerSlope, 1.0f);
    EXPECT_FLOAT_EQ(curve->threshold, -20.0f);

    move(1057, 300);
    EXPECT_EQ(text(1162), QStringLiteral("30.0:1"));
    EXPECT_EQ(rig.st.slotFloat(b + COMP_RATIO), 30.0f);
    EXPECT_EQ(rig.st.slotFloat(b + COMP_THRESHOLD), -20.0f);
    EXPECT_EQ(rig.st.slotFloat(b + COMP_ATTACK), 10.0f);
    EXPECT_EQ(rig.st.slotFloat(b + COMP_RELEASE), 100.0f);
    EXPECT_FLOAT_EQ(curve->upperSlope, 1.0f / 30.0f);
    uint32_t block[7];
    enc::compressorBlock(-20.0f, 30.0f, 10.0f, 100.0f, block);
    expectParams({{6, '7', std::vector<uint32_t>(block, block + 7)}});

    struct Move {
        int slider, position;
        const char* text;
    };
    for (const Move& m : {Move{1056, -60, "-60dB"}, Move{1058, 100, "100ms"}, Move{1059, 1, "1ms"}}) {
        move(m.slider, m.position);
        EXPECT_EQ(text(1160 + 2 * (m.slider - 1056)), QString::fromUtf8(m.text));
    }
    EXPECT_FLOAT_EQ(curve->threshold, -60.0f);
    EXPECT_EQ(rig.st.slotFloat(b + COMP_RATIO), 30.0f);
    EXPECT_EQ(rig.st.slotFloat(b + COMP_ATTACK), 100.0f);
    EXPECT_EQ(rig.st.slotFloat(b + COMP_RELEASE), 1.0f);
}

TEST_F(UpperTest, CompressorOffOnTheSubGreysTheCurveWhileTheSlidersWrite) {
    make(0, PAGE_SUB);
    auto* on = panel->controlAs<QCheckBox>(id::kCompSwitch);
    auto* curve = panel->controlAs<controls::CCompressPanelPlus>(id::kCompCurve);
    EXPECT_TRUE(on->isChecked());
    EXPECT_TRUE(curve->enabled);
    on->click();
    EXPECT_EQ(rig.st.slotInt(87), 1);
    EXPECT_FALSE(curve->enabled);
    EXPECT_EQ(curve->accessibleDescription(), QStringLiteral("0dB 1.0:1 OFF"));
    rig.out.clear();
    move(1058, 50);
    EXPECT_EQ(rig.st.slotFloat(outputBase(GROUP_SUB) + COMP_ATTACK), 50.0f);
    ASSERT_EQ(params().size(), 1u);
    EXPECT_EQ(params()[0].group, GROUP_SUB);
    on->click();
    EXPECT_EQ(rig.st.slotInt(87), 0);
    EXPECT_TRUE(curve->enabled);
}

}  // namespace
}  // namespace udare::panel::paneltest
