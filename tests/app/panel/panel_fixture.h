// The tuning panel on its own, over a DeviceState at its start-up values and
// a link that records every report; the band writes are read back from the
// image-write reports.
#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <memory>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "eq_panel.h"
#include "grid_list_ctrl.h"
#include "input.h"
#include "panel/dialog_music.h"
#include "protocol/commands.h"
#include "protocol/equalisers.h"
#include "shell/lang.h"
#include "test_support.h"
#include "xbmp_slider.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace udare::panel::paneltest {

struct BandWrite {
    Eq eq;
    int band;
    bool operator==(const BandWrite& o) const { return eq == o.eq && band == o.band; }
};
inline void PrintTo(const BandWrite& w, std::ostream* os) {
    *os << eqInfo(w.eq).name << ' ' << w.band;
}

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override { resetDeviceState(rig.st); }
    void TearDown() override {
        host.reset();
        panel = nullptr;
        shell::setUiLanguage(0);
    }

    void make(int language = 0, int page = PAGE_MIC) {
        host.reset();
        shell::ensureResources();
        shell::setUiLanguage(language);
        table.loadEmbedded(language);
        host = std::make_unique<QWidget>();
        host->resize(950, 520);
        panel = new CDialogMusic(rig.c, &table, host.get(), page);
        host->show();
        rig.out.clear();
    }

    // Every band record written, in order.
    std::vector<BandWrite> bandWrites() const {
        std::vector<BandWrite> out;
        for (const HidReport& r : rig.out.reports) {
            if (r[1] != 0x85) continue;
            const int offset = r[2] << 8 | r[3];
            for (const EqInfo& e : kEqualisers)
                if (offset >= e.base && offset < e.base + e.bands * kBandRecordSize)
                    out.push_back({e.eq, (offset - e.base) / kBandRecordSize});
        }
        return out;
    }
    int reportsWithCommand(int command) const {
        int n = 0;
        for (const HidReport& r : rig.out.reports) n += r[1] == command;
        return n;
    }

    controls::CEqPanel* curve() const { return panel->curve(); }
    controls::CGridListCtrlEx* grid() const { return panel->bandTable(); }
    QString cell(int row, int column) const { return grid()->ItemText(row, column); }
    QLineEdit* edit(int id) const { return panel->controlAs<QLineEdit>(id); }
    controls::CXBmpSlider* slider(int id) const { return panel->controlAs<controls::CXBmpSlider>(id); }
    QComboBox* families() const { return panel->controlAs<QComboBox>(id::kFamilyList); }
    bool shown(int id) const { return panel->control(id)->isVisible(); }

    // Where a band's handle is, in the curve's coordinates.
    QPoint handle(int b) const {
        const dsp::EqBand& band = curve()->band(b);
        return QPoint(36 + static_cast<int>(band.x), 16 + static_cast<int>(band.y));
    }
    void clickBand(int b) {
        const QPoint p = handle(b);
        testinput::Press(curve(), p);
        testinput::Release(curve(), p);
    }
    // Type a text into one of the band editor's edits and release Enter there.
    void typeInto(int id, const QString& text) {
        QLineEdit* e = edit(id);
        e->setText(text);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(e, &release);
    }

    test::CommandRig rig;
    shell::LanguageTable table;
    std::unique_ptr<QWidget> host;  // the view's place
    CDialogMusic* panel = nullptr;
};

}  // namespace udare::panel::paneltest
