// The panel in the real window on the virtual unit: the ribbon's categories
// choose its pages, its edits reach the unit, and the status bar's bypass and
// reset act on the page shown.
#include <QCheckBox>
#include <QPushButton>

#include "eq_panel.h"
#include "grid_list_ctrl.h"
#include "panel/dialog_music.h"
#include "protocol/commands.h"
#include "protocol/equalisers.h"
#include "shell/statusbar.h"
#include "view_fixture.h"

namespace udare::shell::viewtest {
namespace {

TEST_F(ViewFixture, PanelEditsReachTheUnitAndTheStatusBarActsOnThePageShown) {
    buildSynced();
    auto* panel = qobject_cast<panel::CDialogMusic*>(view->panel());
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->pageNumber(), panel::PAGE_MIC);
    ribbon->setActiveCategory(1);
    ASSERT_EQ(panel->pageNumber(), panel::PAGE_MAIN);

    auto sameImage = [&] {
        const auto mine = session->state().eqImage.copy();
        const auto theirs = unit->image();
        return std::equal(theirs.begin(), theirs.end(), mine.begin());
    };
    panel->bandTable()->FinishEdit(16, 3, QStringLiteral("-4.5"));
    ASSERT_TRUE(waitFor(sameImage, 3000));
    EXPECT_FLOAT_EQ(GetEqBand(view->context(), Eq::Main, 16).gainDb, -4.5f);

    CMFCMyRibbonStatusBar* status = frame->statusBarPane();
    status->bypassCheck()->click();
    const int mainSwitch = eqInfo(Eq::Main).switchSlot;
    EXPECT_EQ(session->state().slotInt(mainSwitch), 1);
    EXPECT_TRUE(waitFor([&] { return unit->wireValues(GROUP_MAIN, eqInfo(Eq::Main).switchCode) ==
                                      std::vector<uint32_t>{1}; }, 3000));
    EXPECT_TRUE(panel->curve()->bypass());
    EXPECT_TRUE(status->bypassCheck()->isChecked());

    prompter.answers.push_back(Prompter::Answer::Yes);
    status->resetEqButton()->click();
    EXPECT_EQ(prompter.count("您确定重置当前均衡吗?"), 1);
    EXPECT_EQ(panel->bandTable()->ItemText(16, 3), QStringLiteral("+0.0dB"));
    EXPECT_TRUE(waitFor(sameImage, 3000));

    // Back on the input category the microphones are shown again, both of them.
    ribbon->setActiveCategory(0);
    EXPECT_EQ(panel->pageNumber(), panel::PAGE_MIC);
    EXPECT_EQ(panel->micEqSelection(), panel::MIC_EQ_BOTH);
}

}  // namespace
}  // namespace udare::shell::viewtest
