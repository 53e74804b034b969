// The equaliser pages: every path by which a band changes, what it shows and
// what it writes.
#include <QTest>

#include "panel_fixture.h"

namespace udare::panel::paneltest {
namespace {

enum Col { ColType = 2, ColGain = 3, ColFreq = 4, ColQ = 5 };

QRadioButton* radio(CDialogMusic* p, int id) { return p->controlAs<QRadioButton>(id); }

TEST_F(PanelTest, ClickOnAHandleWritesTheBandOnPressAndOnRelease) {
    struct Case {
        int page;
        int band;
        std::vector<BandWrite> writes;
    };
    const std::vector<BandWrite> sub4 = {{Eq::Sub, 16}, {Eq::Sub, 17}, {Eq::Sub, 18}, {Eq::Sub, 19}};
    std::vector<BandWrite> subTwice = sub4;
    subTwice.insert(subTwice.end(), sub4.begin(), sub4.end());
    const Case cases[] = {
        {PAGE_MAIN, 5, {{Eq::Main, 5}, {Eq::Main, 5}}},
        {PAGE_ECHO, 2, {{Eq::Echo, 2}, {Eq::Echo, 2}}},
        {PAGE_MIC, 4, {{Eq::Mic1, 4}, {Eq::Mic2, 4}, {Eq::Mic1, 4}, {Eq::Mic2, 4}}},
        {PAGE_SUB, 4, subTwice},
    };
    make();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        panel->SetPage(c.page);
        rig.out.clear();
        clickBand(c.band);
        EXPECT_EQ(bandWrites(), c.writes);
        EXPECT_EQ(panel->selectedBand(), c.band);
        EXPECT_TRUE(shown(id::kGainSlider));
        EXPECT_FALSE(shown(id::kBandTable));
        EXPECT_EQ(grid()->SelectedRow(), c.band);
        EXPECT_EQ(panel->controlAs<QLabel>(id::kBandNumber)->text(), QString::number(c.band + 1));
        EXPECT_EQ(shown(id::kFamilyList), c.page == PAGE_SUB);
    }
}

TEST_F(PanelTest, LowAndHighPassClearTheGainAndNarrowTheQ) {
    for (int code : {2, 3}) {
        SCOPED_TRACE(code);
        make(0, PAGE_MAIN);
        clickBand(6);
        typeInto(id::kGainEdit, QStringLiteral("+6.0dB"));
        ASSERT_FLOAT_EQ(curve()->band(6).gain, 6.0f);

        radio(panel, id::kTypeRadio0 + code - 1)->click();
        EXPECT_EQ(curve()->band(6).type, code);
        EXPECT_FLOAT_EQ(curve()->band(6).gain, 0.0f);
        EXPECT_FLOAT_EQ(curve()->band(6).q, 0.7f);
        EXPECT_FALSE(slider(id::kGainSlider)->isSliderEnabled());
        EXPECT_FALSE(edit(id::kGainEdit)->isEnabled());
        EXPECT_EQ(slider(id::kQSlider)->minimum(), 10);
        EXPECT_EQ(slider(id::kQSlider)->maximum(), 200);
        EXPECT_EQ(cell(6, ColType), CDialogMusic::TypeName(code));
        EXPECT_EQ(edit(id::kQEdit)->text(), QStringLiteral("0.70"));
        const EqBandValue stored = GetEqBand(rig.c, Eq::Main, 6);
        EXPECT_EQ(stored.type, code);
        EXPECT_FLOAT_EQ(stored.gainDb, 0.0f);
        EXPECT_NEAR(stored.q, 0.7f, 0.001f);

        radio(panel, id::kTypeRadio0)->click();
        EXPECT_EQ(curve()->band(6).type, 1);
        EXPECT_FLOAT_EQ(curve()->band(6).q, 1.41f);
        EXPECT_FLOAT_EQ(curve()->band(6).gain, 0.0f);
        EXPECT_TRUE(slider(id::kGainSlider)->isSliderEnabled());
        EXPECT_TRUE(edit(id::kGainEdit)->isEnabled());
        EXPECT_EQ(slider(id::kQSlider)->maximum(), 3000);
        EXPECT_EQ(GetEqBand(rig.c, Eq::Main, 6).type, 1);
        EXPECT_TRUE(radio(panel, id::kTypeRadio0)->isChecked());
        EXPECT_FALSE(radio(panel, id::kTypeRadio0 + code - 1)->isChecked());
    }
}

TEST_F(PanelTest, TypedNumbersAreClampedAndTextWithoutANumberKeepsOrClears) {
    struct Case {
        const char* what;
        bool inTable;  // else the band editor
        int column;    // table column or editor edit
        const char* typed;
        int expectColumn;
        const char* expect;
    };
    const Case cases[] = {
        {"frequency cell without number", true, ColFreq, "abc", ColFreq, "1000Hz"},
        {"gain cell without number", true, ColGain, "abc", ColGain, "+0.0dB"},
        {"gain cell 50", true, ColGain, "50", ColGain, "+15.0dB"},
        {"gain cell -40dB", true, ColGain, "-40dB", ColGain, "-15.0dB"},
        {"Q cell 0 is ignored", true, ColQ, "0", ColQ, "1.41"},
        {"editor frequency 5", false, id::kFreqEdit, "5", ColFreq, "20Hz"},
        {"editor frequency 30000", false, id::kFreqEdit, "30000", ColFreq, "20000Hz"},
        {"editor Q 99", false, id::kQEdit, "99", ColQ, "30.00"},
        {"editor gain without number", false, id::kGainEdit, "x", ColGain, "+0.0dB"},
    };
    make(0, PAGE_MAIN);
    const int band = 16;  // 1000 Hz on the main channel
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        panel->RefreshAll();
        SetEqBand(rig.c, Eq::Main, band, 1, 1000, 6.0f, 1.41f);
        panel->RefreshEq();
        rig.out.clear();
        if (c.inTable) {
            grid()->FinishEdit(band, c.column, QString::fromUtf8(c.typed));
        } else {
            clickBand(band);
            rig.out.clear();
            typeInto(c.column, QString::fromUtf8(c.typed));
        }
        EXPECT_EQ(cell(band, c.expectColumn), QString::fromUtf8(c.expect));
        EXPECT_EQ(bandWrites(), (std::vector<BandWrite>{{Eq::Main, band}}));
        const dsp::EqBand& b = curve()->band(band);
        const EqBandValue stored = GetEqBand(rig.c, Eq::Main, band);
        EXPECT_EQ(stored.freqHz, static_cast<int>(b.frequency));
        EXPECT_NEAR(stored.gainDb, b.gain, 0.05f);
    }
}

TEST_F(PanelTest, BandEditorSlidersWriteThroughTheirEdits) {
    make(0, PAGE_REAR);
    clickBand(10);
    rig.out.clear();
    slider(id::kFreqSlider)->SetPosition(3150);
    emit slider(id::kFreqSlider)->SliderPositionChanged(id::kFreqSlider, 3150);
    slider(id::kGainSlider)->SetPosition(-35);
    emit slider(id::kGainSlider)->SliderPositionChanged(id::kGainSlider, -35);
    QCoreApplication::processEvents();
    EXPECT_EQ(edit(id::kFreqEdit)->text(), QStringLiteral("3150Hz"));
    EXPECT_EQ(edit(id::kGainEdit)->text(), QStringLiteral("-3.5dB"));
    EXPECT_EQ(cell(10, ColFreq), QStringLiteral("3150Hz"));
    EXPECT_EQ(cell(10, ColGain), QStringLiteral("-3.5dB"));
    EXPECT_EQ(bandWrites(), (std::vector<BandWrite>{{Eq::Rear, 10}, {Eq::Rear, 10}}));
    EXPECT_EQ(GetEqBand(rig.c, Eq::Rear, 10).freqHz, 3150);
}

TEST_F(PanelTest, BothMicrophonesAreWrittenBypassedAndResetTogether) {
    make();
    ASSERT_EQ(panel->micEqSelection(), MIC_EQ_BOTH);
    EXPECT_TRUE(radio(panel, id::kMicBoth)->isChecked());

    grid()->FinishEdit(3, ColGain, QStringLiteral("4"));
    EXPECT_EQ(bandWrites(), (std::vector<BandWrite>{{Eq::Mic1, 3}, {Eq::Mic2, 3}}));
    EXPECT_FLOAT_EQ(GetEqBand(rig.c, Eq::Mic2, 3).gainDb, 4.0f);

    rig.out.clear();
    panel->toggleEqBypass();
    EXPECT_EQ(rig.st.slotInt(eqInfo(Eq::Mic1).switchSlot), 1);
    EXPECT_EQ(rig.st.slotInt(eqInfo(Eq::Mic2).switchSlot), 1);
    EXPECT_EQ(reportsWithCommand(rig.out.reports.at(0)[1]), 2);
    EXPECT_EQ(rig.out.reports.at(0)[4], static_cast<uint8_t>(eqInfo(Eq::Mic1).switchCode));
    EXPECT_TRUE(panel->eqBypassed());
    EXPECT_TRUE(curve()->bypass());

    rig.out.clear();
    panel->resetEq();
    EXPECT_FLOAT_EQ(GetEqBand(rig.c, Eq::Mic1, 3).gainDb, 0.0f);
    EXPECT_FLOAT_EQ(GetEqBand(rig.c, Eq::Mic2, 3).gainDb, 0.0f);
    EXPECT_EQ(cell(3, ColGain), QStringLiteral("+0.0dB"));
    const auto writes = bandWrites();
    ASSERT_EQ(writes.size(), 30u);
    EXPECT_EQ(writes.front().eq, Eq::Mic1);
    EXPECT_EQ(writes.back().eq, Eq::Mic2);
}

TEST_F(PanelTest, ChoosingBothMicrophonesAsksOnlyWhenTheyDiffer) {
    struct Case {
        bool differ;
        Prompter::Answer answer;
        int prompts;
        int mic2Writes;
    };
    const Case cases[] = {
        {false, Prompter::Answer::Yes, 0, 0},
        {true, Prompter::Answer::No, 1, 0},
        {true, Prompter::Answer::Yes, 1, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.differ << " " << static_cast<int>(c.answer));
        resetDeviceState(rig.st);
        make();
        if (c.differ) SetEqBand(rig.c, Eq::Mic2, 7, 1, 640, -5.0f, 2.0f);
        radio(panel, id::kMic2)->click();
        EXPECT_EQ(panel->micEqSelection(), MIC_EQ_MIC2);
        EXPECT_EQ(curve()->kind(), dsp::KIND_MIC2);
        rig.out.clear();
        rig.prompter.boxes.clear();
        rig.prompter.answer = c.answer;
        radio(panel, id::kMicBoth)->click();
        ASSERT_EQ(static_cast<int>(rig.prompter.boxes.size()), c.prompts);
        if (c.prompts) {
            EXPECT_EQ(rig.prompter.boxes[0].text, "Mic1均衡和Mic2均衡不一致，是否设为一致？");
            EXPECT_EQ(rig.prompter.boxes[0].caption, "注意");
        }
        EXPECT_EQ(static_cast<int>(bandWrites().size()), c.mic2Writes);
        EXPECT_EQ(panel->micEqSelection(), MIC_EQ_BOTH);
        EXPECT_EQ(curve()->kind(), dsp::KIND_MIC);
        // The page shows Mic1 whatever the answer.
        EXPECT_FLOAT_EQ(curve()->band(7).gain, 0.0f);
        EXPECT_EQ(cell(7, ColFreq), QStringLiteral("630Hz"));
        EXPECT_TRUE(radio(panel, id::kMicBoth)->isChecked());
        EXPECT_FALSE(radio(panel, id::kMic2)->isChecked());
        EXPECT_TRUE(shown(id::kBandTable));
    }
}

TEST_F(PanelTest, SubwooferBandsAreCrossoversOfFourSections) {
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        resetDeviceState(rig.st);
        make(language, PAGE_SUB);
        ASSERT_EQ(grid()->rowCount(), 5);
        // The fifth band starts as a 100 Hz Butterworth 24 dB low-pass.
        EXPECT_EQ(cell(4, ColType), CDialogMusic::TypeName(2));

        clickBand(1);
        rig.out.clear();
        radio(panel, id::kTypeRadio0 + 1)->click();  // LP
        for (int s = 0; s < 4; ++s) EXPECT_EQ(GetEqBand(rig.c, Eq::Sub, 4 + s).type, (std::array{18, 20, 1, 1})[s]);
        EXPECT_EQ(bandWrites(),
                  (std::vector<BandWrite>{{Eq::Sub, 4}, {Eq::Sub, 5}, {Eq::Sub, 6}, {Eq::Sub, 7}}));
        EXPECT_EQ(cell(1, ColType), language ? QStringLiteral("LP") : QStringLiteral("低通"));
        EXPECT_EQ(families()->currentText(), QStringLiteral("Butterworth 24dB"));
        EXPECT_TRUE(families()->isEnabled());

        rig.out.clear();
        families()->setCurrentIndex(0);
        emit families()->activated(0);  // LinkwitzRiely 12dB
        for (int s = 0; s < 4; ++s) EXPECT_EQ(GetEqBand(rig.c, Eq::Sub, 4 + s).type, (std::array{10, 10, 1, 1})[s]);
        EXPECT_EQ(bandWrites(),
                  (std::vector<BandWrite>{{Eq::Sub, 4}, {Eq::Sub, 5}, {Eq::Sub, 6}, {Eq::Sub, 7}}));
        EXPECT_EQ(families()->currentIndex(), 0);
        EXPECT_EQ(cell(1, ColType), CDialogMusic::TypeName(2));
    }
}

TEST_F(PanelTest, SubwooferShelfShowsItsTypeAndNoFamily) {
    SetEqBand(rig.c, Eq::Sub, 8, 4, 80, 3.0f, 0.7f);
    for (int s = 9; s < 12; ++s) SetEqBand(rig.c, Eq::Sub, s, 1, 80, 0.0f, 0.7f);
    make(0, PAGE_SUB);
    EXPECT_EQ(cell(2, ColType), QStringLiteral("低架"));
    clickBand(2);
    EXPECT_EQ(families()->currentIndex(), -1);
    EXPECT_FALSE(families()->isEnabled());
    EXPECT_TRUE(radio(panel, id::kTypeRadio0 + 3)->isChecked());
}

TEST_F(PanelTest, FamilyChoiceDoesNothingOffTheSubPageOrWithoutARow) {
    make(0, PAGE_SUB);
    rig.out.clear();
    emit families()->activated(3);
    EXPECT_TRUE(rig.out.reports.empty());
    panel->SetPage(PAGE_MAIN);
    grid()->SetSelectedRow(2);
    emit families()->activated(3);
    EXPECT_TRUE(rig.out.reports.empty());
}

TEST_F(PanelTest, ResetOnTheMainPageGivesFlatPeakingBandsAtTheResetFrequencies) {
    make(0, PAGE_MAIN);
    SetEqBand(rig.c, Eq::Main, 0, 3, 90, 0.0f, 0.7f);
    SetEqBand(rig.c, Eq::Main, 23, 1, 12000, -9.0f, 4.0f);
    panel->RefreshAll();
    panel->resetEq();
    ASSERT_EQ(grid()->rowCount(), 24);
    for (int r = 0; r < 24; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(cell(r, ColType), QStringLiteral("参量"));
        EXPECT_EQ(cell(r, ColGain), QStringLiteral("+0.0dB"));
        EXPECT_EQ(cell(r, ColQ), QStringLiteral("1.41"));
        EXPECT_EQ(cell(r, ColFreq), QStringLiteral("%1Hz").arg(eqInfo(Eq::Main).resetFreqs[r]));
    }
    EXPECT_EQ(cell(0, ColFreq), QStringLiteral("20Hz"));
    EXPECT_EQ(cell(23, ColFreq), QStringLiteral("16000Hz"));
}

TEST_F(PanelTest, CrossoverLookupGoesByAllFourCodes) {
    struct Case {
        std::array<int, 4> codes;
        int family, type;
    };
    const Case cases[] = {
        {{18, 20, 1, 1}, 9, 2}, {{19, 21, 1, 1}, 9, 3}, {{10, 10, 1, 1}, 0, 2}, {{15, 11, 15, 11}, 2, 3},
        {{1, 1, 1, 1}, 11, 1},  {{4, 1, 1, 1}, 12, 4},  {{5, 1, 1, 1}, 13, 5},  {{18, 20, 1, 4}, 0, 0},
    };
    for (const Case& c : cases) {
        const auto shown = CDialogMusic::LookupCrossover(c.codes);
        EXPECT_EQ(shown.family, c.family) << c.codes[0];
        EXPECT_EQ(shown.type, c.type) << c.codes[0];
    }
}

}  // namespace
}  // namespace udare::panel::paneltest
