// Import filters..., Export filters... and Export curve... on the tuning panel.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include "panel_fixture.h"

namespace udare::panel {
namespace {

class PanelFiles : public paneltest::PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        make(1);
    }
    int reports(int command) const { return reportsWithCommand(command); }
    static QString fixture(const char* name) {
        return QStringLiteral(UDARE_FIXTURES "/eq/") + QString::fromLatin1(name);
    }

    QTemporaryDir dir;
};

// The MIC page writes the microphones its selection names, record then
// coefficients for every band, and the panel shows the result.
TEST_F(PanelFiles, ImportGoesToTheSelectedMicrophones) {
    struct Case {
        int selection;
        bool mic1, mic2;
    };
    for (const Case c : {Case{MIC_EQ_BOTH, true, true}, Case{MIC_EQ_MIC1, true, false}, Case{MIC_EQ_MIC2, false, true}}) {
        resetDeviceState(rig.st);
        make(1);
        panel->SelectMicEq(c.selection);
        rig.out.clear();
        rig.prompter.boxes.clear();
        ASSERT_TRUE(panel->ImportFilters(fixture("autoeq_ParametricEQ.txt")));
        const int eqs = int(c.mic1) + int(c.mic2);
        EXPECT_EQ(reports(0x85), 15 * eqs) << c.selection;
        EXPECT_EQ(reports(0x09), 15 * eqs) << c.selection;
        EXPECT_EQ(readBand(rig.st, Eq::Mic1, 0).type == dsp::FT_LS, c.mic1) << c.selection;
        EXPECT_EQ(readBand(rig.st, Eq::Mic2, 0).type == dsp::FT_LS, c.mic2) << c.selection;
        EXPECT_EQ(panel->curve()->band(0).type, dsp::FT_LS);
        EXPECT_FLOAT_EQ(panel->curve()->band(0).frequency, 105.0f);
        EXPECT_EQ(panel->selectedBand(), -1);
        // One box tells the Preamp left out and the bands left flat.
        ASSERT_EQ(rig.prompter.boxes.size(), 1u);
        EXPECT_EQ(rig.prompter.boxes[0].icon, Prompter::Icon::Information);
        EXPECT_NE(rig.prompter.boxes[0].text.find("Preamp -6.1 dB not applied"), std::string::npos);
        EXPECT_NE(rig.prompter.boxes[0].text.find("bands 11-15: flat PEQ"), std::string::npos);
    }
}

TEST_F(PanelFiles, MalformedFileChangesAndSendsNothing) {
    const QString bad = dir.filePath(QStringLiteral("bad.txt"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Filter 1: ON PK Fc 100 Hz Gain 3 dB Q 1\nFilter 2: ON PK Fc 200 Hz Gain three dB Q 1\n");
    f.close();
    const StateSnapshot before = snapshot(rig.st);
    EXPECT_FALSE(panel->ImportFilters(bad));
    EXPECT_TRUE(rig.out.reports.empty());
    EXPECT_EQ(snapshot(rig.st).image, before.image);
    ASSERT_EQ(rig.prompter.boxes.size(), 1u);
    EXPECT_EQ(rig.prompter.boxes[0].icon, Prompter::Icon::Error);
    EXPECT_NE(rig.prompter.boxes[0].text.find("line 2: cannot read"), std::string::npos);
}

// The commands ask for a file and write the page's equaliser.
TEST_F(PanelFiles, ExportsThroughTheFileCommands) {
    make(1, PAGE_SUB);
    QString next;
    bool rew = false;
    panel->setFileNameAsker([&](ui::EqFileCommand, bool* chosenRew) {
        *chosenRew = rew;
        return next;
    });
    next = dir.filePath(QStringLiteral("sub.txt"));
    rew = true;
    panel->eqFileCommand(ui::EqFileCommand::ExportFilters);
    QFile txt(next);
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    const QByteArray text = txt.readAll();
    EXPECT_TRUE(text.startsWith("Filter Settings file\n"));
    EXPECT_TRUE(text.contains("udare sub equaliser, 20 bands"));

    next = dir.filePath(QStringLiteral("sub.csv"));
    panel->eqFileCommand(ui::EqFileCommand::ExportCurve);
    QFile csv(next);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readLine().startsWith("frequency_hz,gain_db"));

    next = dir.filePath(QStringLiteral("sub.png"));
    panel->eqFileCommand(ui::EqFileCommand::ExportCurve);
    QImage png;
    ASSERT_TRUE(png.load(next, "PNG"));
    EXPECT_EQ(png.size(), panel->curve()->size());

    next.clear();  // cancelled: nothing happens
    panel->eqFileCommand(ui::EqFileCommand::ImportFilters);
    EXPECT_TRUE(rig.out.reports.empty());
    EXPECT_TRUE(rig.prompter.boxes.empty());
}

TEST_F(PanelFiles, RightClickAwayFromTheHandlesOffersTheFileCommands) {
    controls::CEqPanel* curve = panel->curve();
    const QPoint empty(curve->plotRect().left() + 4, curve->plotRect().top() + 4);
    QTest::mousePress(curve, Qt::RightButton, {}, empty);
    QTest::mouseRelease(curve, Qt::RightButton, {}, empty);
    ASSERT_NE(panel->fileMenu(), nullptr);
    const auto actions = panel->fileMenu()->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Import filters..."));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Export filters..."));
    EXPECT_EQ(actions[2]->text(), QStringLiteral("Export curve..."));
    panel->fileMenu()->hide();
    EXPECT_TRUE(rig.out.reports.empty());  // the click itself wrote no band
}

}  // namespace
}  // namespace udare::panel
