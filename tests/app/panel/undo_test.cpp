// Undo and redo of the panel's equaliser edits: one step per gesture, the
// values before and after stored and sent again through the same link.
#include <array>
#include <functional>

#include "panel_fixture.h"
#include "ui/undo.h"

namespace udare::panel::paneltest {
namespace {

using Record = std::array<uint8_t, kBandRecordSize>;

enum Column { ColGain = 3, ColFreq = 4, ColQ = 5 };

QRadioButton* radio(CDialogMusic* p, int id) { return p->controlAs<QRadioButton>(id); }

class UndoTest : public PanelTest {
protected:
    void TearDown() override {
        PanelTest::TearDown();
        stack.reset();
    }
    void makeWithUndo(int language = 0, int page = PAGE_MIC) {
        make(language, page);
        stack = std::make_unique<ui::UndoStack>(rig.c);
        stack->trackPointerGestures();
        panel->setUndoStack(stack.get());
        QObject::connect(stack.get(), &ui::UndoStack::stepApplied, panel,
                         [this](const ui::StepPlace& p) { panel->showStep(p); });
    }
    Record record(Eq eq, int band) const {
        Record r{};
        rig.st.eqImage.read(bandOffset(eq, band), kBandRecordSize, r.data());
        return r;
    }
    // The record bytes of every band record sent for (eq, band), in order.
    std::vector<Record> recordsSent(Eq eq, int band) const {
        std::vector<Record> out;
        for (const HidReport& r : rig.out.reports) {
            if (r[1] != 0x85 || (r[2] << 8 | r[3]) != bandOffset(eq, band)) continue;
            Record rec{};
            std::copy_n(r.begin() + 5, kBandRecordSize, rec.begin());
            out.push_back(rec);
        }
        return out;
    }
    void drag(int b, const std::vector<QPoint>& moves) {
        const QPoint h = handle(b);
        testinput::Press(curve(), h);
        for (const QPoint& m : moves) testinput::Move(curve(), h + m, Qt::LeftButton);
        testinput::Release(curve(), h + moves.back());
        testinput::Drain();
    }

    std::unique_ptr<ui::UndoStack> stack;
};

TEST_F(UndoTest, ADragIsOneStepAndItsUndoSendsTheBandAsItWasBeforeThePress) {
    makeWithUndo(0, PAGE_MAIN);
    const Record before = record(Eq::Main, 4);
    drag(4, {{5, -10}, {12, -25}, {20, -40}});
    const Record after = record(Eq::Main, 4);
    ASSERT_NE(after, before);
    ASSERT_EQ(stack->count(), 1);
    // A drag is named by what it changed.
    EXPECT_EQ(stack->undoText(0), QString::fromUtf8("撤销：主输出 第5段 增益、频率"));
    EXPECT_EQ(stack->undoText(1), QStringLiteral("Undo: MAIN band 5 gain, frequency"));
    EXPECT_EQ(stack->redoText(1), QStringLiteral("Redo"));

    // Shown elsewhere meanwhile: the undo brings back the page and the band.
    panel->SetPage(PAGE_ECHO);
    rig.out.clear();
    stack->undo();
    EXPECT_EQ(record(Eq::Main, 4), before);
    EXPECT_EQ(recordsSent(Eq::Main, 4), std::vector<Record>{before});
    EXPECT_EQ(bandWrites(), (std::vector<BandWrite>{{Eq::Main, 4}}));
    EXPECT_EQ(reportsWithCommand(0x85), 1);
    EXPECT_EQ(panel->pageNumber(), PAGE_MAIN);
    EXPECT_EQ(panel->selectedBand(), 4);
    EXPECT_EQ(curve()->band(4).gain, 0.0f);
    EXPECT_EQ(stack->redoText(0), QString::fromUtf8("重做：主输出 第5段 增益、频率"));

    rig.out.clear();
    stack->redo();
    EXPECT_EQ(recordsSent(Eq::Main, 4), std::vector<Record>{after});
    EXPECT_EQ(record(Eq::Main, 4), after);
    EXPECT_EQ(panel->selectedBand(), 4);
    EXPECT_NE(curve()->band(4).gain, 0.0f);
}

TEST_F(UndoTest, GesturesWithoutANetChangeLeaveNoStep) {
    makeWithUndo(0, PAGE_MAIN);
    clickBand(3);  // writes the band twice, unchanged
    testinput::Drain();
    // Switched and back within one press: the steps merge into nothing.
    stack->beginGesture();
    panel->toggleEqBypass();
    panel->toggleEqBypass();
    stack->endGesture();
    EXPECT_EQ(stack->count(), 0);
    EXPECT_FALSE(stack->canUndo());
    EXPECT_EQ(stack->undoText(0), QString::fromUtf8("撤销"));
    // Two drags of the same band are two steps.
    drag(6, {{0, -30}});
    drag(6, {{0, -60}});
    EXPECT_EQ(stack->count(), 2);
}

TEST_F(UndoTest, EditorSlidersAndTableCellsNameTheFieldTheyChange) {
    struct Case {
        std::function<void()> edit;
        const char* zh;
        const char* en;
    };
    const Case cases[] = {
        {[this] { grid()->FinishEdit(4, ColQ, QStringLiteral("3")); }, "主输出 第5段 Q值", "MAIN band 5 Q"},
        {[this] { grid()->FinishEdit(0, ColFreq, QStringLiteral("31")); }, "主输出 第1段 频率",
         "MAIN band 1 frequency"},
        {[this] {
             clickBand(4);
             slider(id::kGainSlider)->MoveByUser(55);
         },
         "主输出 第5段 增益", "MAIN band 5 gain"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.en);
        resetDeviceState(rig.st);
        makeWithUndo(0, PAGE_MAIN);
        c.edit();
        testinput::Drain();
        EXPECT_EQ(stack->undoText(0), QString::fromUtf8("撤销：") + QString::fromUtf8(c.zh));
        EXPECT_EQ(stack->undoText(1), QStringLiteral("Undo: ") + QString::fromUtf8(c.en));
    }
}

TEST_F(UndoTest, UndoOfAnEditOfBothMicrophonesRestoresBoth) {
    makeWithUndo();
    ASSERT_EQ(panel->micEqSelection(), MIC_EQ_BOTH);
    const Record mic1 = record(Eq::Mic1, 3), mic2 = record(Eq::Mic2, 3);
    grid()->FinishEdit(3, ColGain, QStringLiteral("4"));
    ASSERT_NE(record(Eq::Mic1, 3), mic1);
    ASSERT_NE(record(Eq::Mic2, 3), mic2);
    EXPECT_EQ(stack->undoText(1), QStringLiteral("Undo: MIC MIC1+MIC2 band 4 gain"));
    rig.out.clear();
    stack->undo();
    EXPECT_EQ(record(Eq::Mic1, 3), mic1);
    EXPECT_EQ(record(Eq::Mic2, 3), mic2);
    EXPECT_EQ(bandWrites(), (std::vector<BandWrite>{{Eq::Mic1, 3}, {Eq::Mic2, 3}}));
    EXPECT_EQ(panel->micEqSelection(), MIC_EQ_BOTH);
}

TEST_F(UndoTest, UndoOfTheMicrophoneCopyRestoresMic2) {
    SetEqBand(rig.c, Eq::Mic2, 7, 1, 640, -5.0f, 2.0f);
    makeWithUndo();
    radio(panel, id::kMic2)->click();
    const auto image = rig.st.eqImage.copy();
    rig.prompter.answer = Prompter::Answer::Yes;
    radio(panel, id::kMicBoth)->click();
    ASSERT_EQ(stack->count(), 1);
    ASSERT_EQ(record(Eq::Mic2, 7), record(Eq::Mic1, 7));
    rig.out.clear();
    stack->undo();
    EXPECT_EQ(rig.st.eqImage.copy(), image);
    EXPECT_EQ(bandWrites(), (std::vector<BandWrite>{{Eq::Mic2, 7}}));  // the one band that differed
    EXPECT_EQ(panel->micEqSelection(), MIC_EQ_BOTH);
}

TEST_F(UndoTest, UndoOfACrossoverChangeRestoresAllFourSections) {
    makeWithUndo(1, PAGE_SUB);
    const auto types = [this] {
        std::array<int, 4> t{};
        for (int s = 0; s < 4; ++s) t[static_cast<size_t>(s)] = GetEqBand(rig.c, Eq::Sub, 4 + s).type;
        return t;
    };
    // Selecting the band writes its four sections as the curve holds them:
    // a step of its own when that changes one (a section's Q here).
    clickBand(1);
    testinput::Drain();
    const auto start = types();
    const int selected = stack->count();
    radio(panel, id::kTypeRadio0 + 1)->click();  // LP: Butterworth 24 dB
    ASSERT_EQ(types(), (std::array{18, 20, 1, 1}));
    families()->setCurrentIndex(0);
    emit families()->activated(0);  // LinkwitzRiley 12 dB
    ASSERT_EQ(types(), (std::array{10, 10, 1, 1}));
    ASSERT_EQ(stack->count(), selected + 2);
    EXPECT_EQ(stack->undoText(1), QStringLiteral("Undo: SUB band 2 crossover"));

    rig.out.clear();
    stack->undo();
    EXPECT_EQ(types(), (std::array{18, 20, 1, 1}));
    EXPECT_EQ(bandWrites(), (std::vector<BandWrite>{{Eq::Sub, 4}, {Eq::Sub, 5}}));  // the two that changed
    EXPECT_EQ(families()->currentText(), QStringLiteral("Butterworth 24dB"));
    EXPECT_EQ(panel->selectedBand(), 1);
    stack->undo();
    EXPECT_EQ(types(), start);
    EXPECT_EQ(stack->redoText(1), QStringLiteral("Redo: SUB band 2 type"));
}

TEST_F(UndoTest, ANewEditAfterAnUndoDropsTheRedoBranch) {
    makeWithUndo(1, PAGE_MAIN);
    grid()->FinishEdit(2, ColGain, QStringLiteral("3"));
    grid()->FinishEdit(5, ColGain, QStringLiteral("-2"));
    stack->undo();
    ASSERT_TRUE(stack->canRedo());
    grid()->FinishEdit(7, ColGain, QStringLiteral("1"));
    EXPECT_FALSE(stack->canRedo());
    EXPECT_EQ(stack->count(), 2);
    EXPECT_EQ(stack->undoText(1).left(22), QStringLiteral("Undo: MAIN band 8 gain"));
}

TEST_F(UndoTest, ResetAndBypassAreOneStepEach) {
    makeWithUndo(1, PAGE_MAIN);
    grid()->FinishEdit(2, ColGain, QStringLiteral("3"));
    grid()->FinishEdit(9, ColFreq, QStringLiteral("333"));
    const auto image = rig.st.eqImage.copy();
    panel->resetEq();
    panel->toggleEqBypass();
    ASSERT_EQ(stack->count(), 4);
    EXPECT_EQ(stack->undoText(1), QStringLiteral("Undo: MAIN EQ bypass"));
    stack->undo();
    EXPECT_EQ(rig.st.slotInt(eqInfo(Eq::Main).switchSlot), 0);
    EXPECT_FALSE(curve()->bypass());
    EXPECT_EQ(stack->undoText(1), QStringLiteral("Undo: MAIN Reset EQ"));
    stack->undo();
    EXPECT_EQ(rig.st.eqImage.copy(), image);
    EXPECT_EQ(cell(2, ColGain), QStringLiteral("+3.0dB"));
}

TEST_F(UndoTest, UpperAreaSlidersAreStepsOfTheirPage) {
    makeWithUndo(1, PAGE_MAIN);
    const auto start = rig.st.params.copy();
    // The Main "Mic" mix writes three levels; a compressor move sends its whole block.
    slider(id::kMixSlider0 + 1)->MoveByUser(40);
    slider(id::kCompSlider0 + 1)->MoveByUser(30);
    testinput::Drain();
    ASSERT_EQ(stack->count(), 2);
    EXPECT_TRUE(stack->undoText(1).startsWith(QStringLiteral("Undo: MAIN ")));

    panel->SetPage(PAGE_REAR);
    rig.out.clear();
    stack->undo();
    ASSERT_EQ(rig.out.reports.size(), 1u);
    EXPECT_EQ(rig.out.reports[0][3], GROUP_MAIN);
    EXPECT_EQ(rig.out.reports[0][4], '7');  // the compressor block
    EXPECT_EQ(panel->pageNumber(), PAGE_MAIN);
    rig.out.clear();
    stack->undo();
    EXPECT_EQ(rig.st.params.copy(), start);
    EXPECT_EQ(rig.out.reports.size(), 3u);
    EXPECT_EQ(slider(id::kMixSlider0 + 1)->position(), rig.st.slotInt(outputSlot(GROUP_MAIN, OUT_MIC_LEVEL)));
}

TEST_F(UndoTest, AFilterImportIsOneStepOverBothMicrophones) {
    makeWithUndo(1);
    const auto image = rig.st.eqImage.copy();
    ASSERT_TRUE(panel->ImportFilters(QStringLiteral(UDARE_FIXTURES "/eq/autoeq_ParametricEQ.txt")));
    ASSERT_EQ(stack->count(), 1);
    EXPECT_EQ(stack->undoText(1), QStringLiteral("Undo: MIC MIC1+MIC2 filter import"));
    rig.out.clear();
    stack->undo();
    EXPECT_EQ(rig.st.eqImage.copy(), image);
    const auto writes = bandWrites();
    EXPECT_EQ(writes.size(), 30u);
    EXPECT_EQ(curve()->band(0).type, dsp::FT_PEQ);
}

TEST_F(UndoTest, UndoWhileNotConnectedChangesTheStateAndSendsNothing) {
    makeWithUndo(0, PAGE_CENTER);
    const Record before = record(Eq::Center, 2);
    grid()->FinishEdit(2, ColGain, QStringLiteral("6"));
    rig.out.connected = false;
    rig.out.clear();
    stack->undo();
    EXPECT_EQ(record(Eq::Center, 2), before);
    EXPECT_TRUE(rig.out.reports.empty());
    stack->redo();
    EXPECT_FLOAT_EQ(GetEqBand(rig.c, Eq::Center, 2).gainDb, 6.0f);
    EXPECT_TRUE(rig.out.reports.empty());
}

}  // namespace
}  // namespace udare::panel::paneltest
