// The equaliser side of the panel: the channel of each page, the three views
// of its bands (curve, band table, band editor) kept in step, and every path
// by which a band changes, each ending in a write of that band.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "control_support.h"
#include "eq_panel.h"
#include "grid_list_ctrl.h"
#include "panel/dialog_music.h"
#include "protocol/commands.h"
#include "protocol/eq_curve.h"
#include "protocol/equalisers.h"
#include "shell/lang.h"
#include "ui/undo.h"
#include "xbmp_slider.h"

namespace udare::panel {

using controls::CGridListCtrlEx;
using controls::CXBmpSlider;
using dsp::EqBand;
using shell::T;

namespace {

constexpr Eq kPageEqs[kPageCount] = {Eq::Mic1, Eq::Echo, Eq::Reverb, Eq::Music,
                                     Eq::Main, Eq::Rear, Eq::Center, Eq::Sub};
constexpr int kMicBands = eqInfo(Eq::Mic1).bands;

struct TypeText {
    const char* zh;
    const char* en;
};
constexpr TypeText kTypeNames[6] = {{"关闭", "OFF"}, {"参量", "PEQ"}, {"低通", "LP"},
                                    {"高通", "HP"},  {"低架", "LS"},  {"高架", "HS"}};

// Table columns (0 is hidden and carries the band index).
enum Column { ColHidden = 0, ColNumber = 1, ColType = 2, ColGain = 3, ColFreq = 4, ColQ = 5 };

// A band step named as a crossover family change (the other names are ui::BandField).
constexpr int kCrossoverStep = 100;

const char* const kMicPrompt = "Mic1均衡和Mic2均衡不一致，是否设为一致？";

// The leading number of a text as the C library reads it; no number is 0.
double leadingNumber(const QString& text) {
    const QByteArray bytes = text.trimmed().toUtf8();
    const char* s = bytes.constData();
    // Only plain decimal numbers count ("inf", "nan" and hex are no numbers here).
    const char* p = s;
    if (*p == '+' || *p == '-') ++p;
    if (!((*p >= '0' && *p <= '9') || (*p == '.' && p[1] >= '0' && p[1] <= '9'))) return 0.0;
    const double v = std::strtod(s, nullptr);
    return std::isfinite(v) ? v : 0.0;
}

QString gainText(float g) { return controls::Format("%+-.1fdB", static_cast<double>(g)); }
QString freqText(float f) { return controls::Format("%.0fHz", static_cast<double>(f)); }
QString qText(float q) { return controls::Format("%.2f", static_cast<double>(q)); }

}  // namespace

// ---------------------------------------------------------------- facts

Eq PageEqualiser(int page) { return kPageEqs[page >= 0 && page < kPageCount ? page : 0]; }

int CDialogMusic::BandCount(int page) { return eqInfo(PageEqualiser(page)).bands; }

int CDialogMusic::RowCount(int page) { return page == PAGE_SUB ? dsp::kCrossoverBands : BandCount(page); }

int CDialogMusic::SubSection(int b) {
    if (b < 0 || b >= 20) return -1;
    return dsp::SubSectionOfBand(b);
}

QString CDialogMusic::TypeName(int code) {
    if (code < 0 || code > 5) return {};
    return T(kTypeNames[code].zh, kTypeNames[code].en);
}

CDialogMusic::CrossoverShown CDialogMusic::LookupCrossover(const std::array<int, 4>& codes) {
    for (int f = 0; f < 11; ++f) {
        if (codes == dsp::CrossoverSections(f, true)) return {f, dsp::FT_LP};
        if (codes == dsp::CrossoverSections(f, false)) return {f, dsp::FT_HP};
    }
    if (codes == std::array<int, 4>{1, 1, 1, 1}) return {11, dsp::FT_PEQ};
    if (codes == std::array<int, 4>{4, 1, 1, 1}) return {12, dsp::FT_LS};
    if (codes == std::array<int, 4>{5, 1, 1, 1}) return {13, dsp::FT_HS};
    return {0, 0};
}

Eq CDialogMusic::pageEq(int page) const {
    if (page == PAGE_MIC && micEq_ == MIC_EQ_MIC2) return Eq::Mic2;
    return PageEqualiser(page);
}

int CDialogMusic::bypassSlot() const { return eqInfo(pageEq(page_)).switchSlot; }

// ---------------------------------------------------------------- read and write

CDialogMusic::BandValues CDialogMusic::ReadBand(int page, int i) const {
    const int index = page == PAGE_SUB ? SubSection(i) : i;
    const EqBandValue v = GetEqBand(ctx_, pageEq(page), index);
    return BandValues{v.type, v.gainDb, static_cast<float>(v.freqHz), v.q};
}

void CDialogMusic::WriteBand(int page, int i) {
    auto write = [this](Eq eq, int index, const EqBand& b) {
        SetEqBand(ctx_, eq, index, b.type, static_cast<int>(std::lround(b.frequency)), b.gain, b.q);
    };
    if (page == PAGE_SUB) {
        if (i < 0 || i >= dsp::kCrossoverBands) return;
        write(Eq::Sub, 4 * i, curve_->band(i));
        const auto hidden = dsp::HiddenSections(i);
        for (int k = 0; k < 3; ++k) write(Eq::Sub, 4 * i + 1 + k, curve_->band(hidden[static_cast<size_t>(k)]));
        return;
    }
    if (i < 0 || i >= BandCount(page)) return;
    const EqBand& b = curve_->band(i);
    if (page == PAGE_MIC) {
        if (micEq_ != MIC_EQ_MIC2) write(Eq::Mic1, i, b);
        if (micEq_ != MIC_EQ_MIC1) write(Eq::Mic2, i, b);
        return;
    }
    write(pageEq(page), i, b);
}

// ---------------------------------------------------------------- table

void CDialogMusic::RebuildBandTable() {
    ++rebuildCount_;
    table_->DeleteAllColumns();
    QStringList types;
    for (int c = 1; c <= 5; ++c) types << TypeName(c);
    table_->InsertColumn(ColHidden, QString(), 0);
    table_->InsertColumn(ColNumber, QString(), 30);
    table_->InsertColumn(ColType, T("类型", "Type"), 48, CGridListCtrlEx::EditorDropDown);
    table_->SetColumnEditor(ColType, CGridListCtrlEx::EditorDropDown, types);
    table_->InsertColumn(ColGain, T("增益", "Gain"), 58, CGridListCtrlEx::EditorText);
    table_->InsertColumn(ColFreq, T("频率", "Freq"), 58, CGridListCtrlEx::EditorText);
    table_->InsertColumn(ColQ, T("Q值", "Q"), 48, CGridListCtrlEx::EditorText);
    table_->setColumnHidden(ColHidden, true);
    const int rows = RowCount(page_);
    for (int r = 0; r < rows; ++r) {
        table_->InsertItem(r, QString(), r);
        table_->SetItemText(r, ColNumber, QString::number(r + 1));
    }
}

void CDialogMusic::refreshTableColours() { table_->SetDefaultColours(TableTextColour(page_), QColor(0x14, 0x14, 0x14)); }

void CDialogMusic::formatRow(int row, const EqBand& b, bool withType) {
    if (row < 0 || row >= table_->rowCount()) return;
    table_->SetItemText(row, ColGain, gainText(b.gain));
    table_->SetItemText(row, ColFreq, freqText(b.frequency));
    table_->SetItemText(row, ColQ, qText(b.q));
    if (withType && b.type >= 0 && b.type <= 5) table_->SetItemText(row, ColType, TypeName(b.type));
}

void CDialogMusic::formatEditor(const EqBand& b) {
    controlAs<QLineEdit>(id::kGainEdit)->setText(gainText(b.gain));
    controlAs<QLineEdit>(id::kFreqEdit)->setText(freqText(b.frequency));
    controlAs<QLineEdit>(id::kQEdit)->setText(qText(b.q));
}

void CDialogMusic::setEditorSliders(const EqBand& b) {
    auto place = [this](int cid, double v) {
        auto* s = controlAs<CXBmpSlider>(cid);
        s->SetPosition(std::clamp(static_cast<int>(std::lround(v)), s->minimum(), s->maximum()));
    };
    place(id::kGainSlider, b.gain * 10.0);
    place(id::kFreqSlider, b.frequency);
    place(id::kQSlider, b.q * 100.0);
}

void CDialogMusic::setQRange(int type) {
    controlAs<CXBmpSlider>(id::kQSlider)->SetRange(10, type == dsp::FT_PEQ ? 3000 : 200);
}

void CDialogMusic::setGainEnabled(int type) {
    const bool on = dsp::hasMovableGain(type);
    controlAs<CXBmpSlider>(id::kGainSlider)->SetEnabled(on);
    control(id::kGainEdit)->setEnabled(on);
}

void CDialogMusic::setFamilyEnabled(bool enabled) {
    control(id::kFamilyList)->setEnabled(enabled);
    control(id::kFamilyLabel)->setEnabled(enabled);
}

void CDialogMusic::setEditorRadios() {
    updatingRadios_ = true;
    for (int k = 0; k < 5; ++k) controlAs<QRadioButton>(id::kTypeRadio0 + k)->setChecked(k == typeChoice_);
    for (int k = 0; k < 3; ++k) controlAs<QRadioButton>(id::kMic1 + k)->setChecked(k == micEq_);
    updatingRadios_ = false;
}

void CDialogMusic::ShowTable() {
    table_->show();
    for (int cid : {id::kTypeGroup, id::kGainGroup, id::kFreqGroup, id::kQGroup, id::kBandNumber, id::kGainSlider,
                    id::kFreqSlider, id::kQSlider, id::kGainEdit, id::kFreqEdit, id::kQEdit, id::kFamilyList,
                    id::kFamilyLabel})
        control(cid)->hide();
    for (int k = 0; k < 5; ++k) control(id::kTypeRadio0 + k)->hide();
}

void CDialogMusic::ShowEditor() {
    table_->EndEdit();
    table_->hide();
    for (int cid : {id::kTypeGroup, id::kGainGroup, id::kFreqGroup, id::kQGroup, id::kBandNumber, id::kGainSlider,
                    id::kFreqSlider, id::kQSlider, id::kGainEdit, id::kFreqEdit, id::kQEdit})
        control(cid)->show();
    for (int k = 0; k < 5; ++k) control(id::kTypeRadio0 + k)->show();
    control(id::kFamilyList)->setVisible(page_ == PAGE_SUB);
    control(id::kFamilyLabel)->setVisible(page_ == PAGE_SUB);
}

// ---------------------------------------------------------------- refresh

void CDialogMusic::RefreshEq() {
    curve_->setSelected(-1);
    curve_->setKind(page_ == PAGE_MIC && micEq_ == MIC_EQ_BOTH ? kBothMicsKind : eqInfo(pageEq(page_)).kind);
    const int n = BandCount(page_);
    // The curves are computed once, from the loaded values, not first from the count's preset.
    dsp::EqModel& m = curve_->model();
    const bool live = m.live;
    m.live = false;
    curve_->SetBandCount(n);
    LoadCurveBands(ctx_.st, pageEq(page_), m);
    m.live = live;
    for (int i = 0; i < n; ++i) curve_->RecomputeBand(i);
    for (int r = 0; r < RowCount(page_); ++r) formatRow(r, curve_->band(r), true);
    if (page_ == PAGE_SUB) {
        // No band is selected after a refresh: the rows are shown, none chosen.
        for (int k = 0; k < dsp::kCrossoverBands; ++k) crossoverDisplayStep(k, false);
        controlAs<QComboBox>(id::kFamilyList)->setCurrentIndex(-1);
    }
    curve_->setBypass(ctx_.st.slotInt(bypassSlot()) != 0);
}

void CDialogMusic::refreshFromBand(int b) {
    const EqBand& band = curve_->band(b);
    formatRow(b, band, false);
    formatEditor(band);
    setEditorSliders(band);
    table_->SetSelectedRow(b);
    controlAs<QLabel>(id::kBandNumber)->setText(QString::number(b + 1));
}

void CDialogMusic::crossoverDisplayStep(int k, bool select) {
    if (k < 0 || k >= dsp::kCrossoverBands) return;
    auto* family = controlAs<QComboBox>(id::kFamilyList);
    const int type = curve_->band(k).type;
    if (type != dsp::FT_PEQ) {
        const auto hidden = dsp::HiddenSections(k);
        const CrossoverShown shown = LookupCrossover(
            {type, curve_->band(hidden[0]).type, curve_->band(hidden[1]).type, curve_->band(hidden[2]).type});
        family->setCurrentIndex(shown.family < family->count() ? shown.family : -1);
        table_->SetItemText(k, ColType, TypeName(shown.type));
    } else {
        // A peaking band has no family; its cell names it like any other row.
        family->setCurrentIndex(-1);
        table_->SetItemText(k, ColType, TypeName(dsp::FT_PEQ));
    }
    if (select)
        refreshFromBand(k);
    else
        formatRow(k, curve_->band(k), false);
}

// ---------------------------------------------------------------- curve

void CDialogMusic::OnBandSelected(const EqBand& band, int b) { selectBand(band, b, true); }

void CDialogMusic::ShowBand(int b) {
    if (b < 0 || b >= BandCount(page_)) return;
    curve_->setSelected(b);
    selectBand(curve_->band(b), b, false);
}

void CDialogMusic::selectBand(const EqBand& band, int b, bool write) {
    if (b < 0 || b >= BandCount(page_)) return;
    formatRow(b, band, false);
    formatEditor(band);
    setEditorSliders(band);
    table_->SetSelectedRow(b);
    controlAs<QLabel>(id::kBandNumber)->setText(QString::number(b + 1));
    if (write) recordBandStep(b, -1, [&] { WriteBand(page_, b); });

    int shownType = band.type;
    if (page_ == PAGE_SUB) {
        // Every subwoofer band, crossover or not, shows its own family (or none).
        crossoverDisplayStep(b);
        if (band.type != dsp::FT_PEQ) {
            const auto hidden = dsp::HiddenSections(b);
            shownType = LookupCrossover({band.type, curve_->band(hidden[0]).type, curve_->band(hidden[1]).type,
                                         curve_->band(hidden[2]).type})
                            .type;
        }
        typeChoice_ = shownType - 1;
    } else if (band.type >= 0 && band.type <= 5) {
        if (b < table_->rowCount()) table_->SetItemText(b, ColType, TypeName(band.type));
        typeChoice_ = band.type - 1;
    }
    setQRange(shownType);
    setEditorSliders(band);
    setGainEnabled(shownType);
    setFamilyEnabled(page_ == PAGE_SUB && (shownType == dsp::FT_LP || shownType == dsp::FT_HP));
    const bool wasNone = selected_ < 0;
    selected_ = b;
    if (wasNone) ShowEditor();
    setEditorRadios();
}

void CDialogMusic::OnSelectionCleared() {
    if (selected_ < 0) return;
    selected_ = -1;
    ShowTable();
}

// ---------------------------------------------------------------- editor and table

void CDialogMusic::onBandSlider(int cid, int position) {
    if (cid == id::kGainSlider)
        controlAs<QLineEdit>(id::kGainEdit)->setText(gainText(static_cast<float>(position) / 10.0f));
    else if (cid == id::kFreqSlider)
        controlAs<QLineEdit>(id::kFreqEdit)->setText(controls::Format("%dHz", position));
    else
        controlAs<QLineEdit>(id::kQEdit)->setText(qText(static_cast<float>(position) / 100.0f));
    // The slider names the step: the other two edits are read back as shown.
    commitEditor(selected_, ui::FieldGain + (cid - id::kGainSlider));
}

void CDialogMusic::CommitEditor(int b) { commitEditor(b, -1); }

void CDialogMusic::commitEditor(int b, int field) {
    if (b < 0 || b >= BandCount(page_)) return;
    curve_->SetBandGain(b, static_cast<float>(leadingNumber(controlAs<QLineEdit>(id::kGainEdit)->text())));
    const double f = leadingNumber(controlAs<QLineEdit>(id::kFreqEdit)->text());
    if (f != 0.0) {
        curve_->band(b).frequency = static_cast<float>(std::clamp(f, 20.0, 20000.0));
        curve_->RecomputeBand(b);
    }
    curve_->SetBandQ(b, static_cast<float>(leadingNumber(controlAs<QLineEdit>(id::kQEdit)->text())));
    recordBandStep(b, field, [&] { WriteBand(page_, b); });
    const EqBand& band = curve_->band(b);
    formatRow(b, band, true);
    formatEditor(band);
}

void CDialogMusic::CommitTableRow(int r) { commitTableRow(r, -1); }

void CDialogMusic::commitTableRow(int r, int field) {
    if (r < 0 || r >= table_->rowCount()) return;
    curve_->SetBandGain(r, static_cast<float>(leadingNumber(table_->ItemText(r, ColGain))));
    const double f = leadingNumber(table_->ItemText(r, ColFreq));
    if (f != 0.0) {
        curve_->band(r).frequency = static_cast<float>(std::clamp(f, 20.0, 20000.0));
        curve_->RecomputeBand(r);
    }
    curve_->SetBandQ(r, static_cast<float>(leadingNumber(table_->ItemText(r, ColQ))));
    recordBandStep(r, field, [&] { WriteBand(page_, r); });
    const EqBand& band = curve_->band(r);
    formatRow(r, band, false);
    formatEditor(band);
    setEditorSliders(band);
}

void CDialogMusic::onCellEdited(int row, int column, const QString& text) {
    if (row < 0 || row >= table_->rowCount()) return;
    const int band = static_cast<int>(table_->ItemData(row));
    if (column == ColType) {
        for (int c = 0; c <= 5; ++c) {
            if (text == TypeName(c)) {
                ChooseBandType(band, c);
                return;
            }
        }
        return;
    }
    if (column == ColGain || column == ColFreq || column == ColQ) {
        // The edited cell names the step: the other cells are read back as shown.
        commitTableRow(band, ui::FieldGain + (column - ColGain));
    }
}

void CDialogMusic::ChooseBandType(int b, int c) {
    if (b < 0 || b >= RowCount(page_) || c < 0 || c > 5) return;
    curve_->band(b).type = c;
    if (c == dsp::FT_PEQ) {
        curve_->SetBandQ(b, dsp::kPeqDefaultQ);
    } else if (dsp::isFilterUserType(c)) {
        curve_->SetBandGain(b, 0.0f);
        curve_->SetBandQ(b, dsp::kFilterDefaultQ);
    }
    curve_->RecomputeBand(b);
    if (page_ == PAGE_SUB)
        curve_->ApplyBandTypeChoice(b, c);
    else
        curve_->SetBandType(b, c);
    setFamilyEnabled(page_ == PAGE_SUB && (c == dsp::FT_LP || c == dsp::FT_HP));
    setGainEnabled(c);
    setQRange(c);
    if (page_ == PAGE_SUB) {
        crossoverDisplayStep(b);
    } else {
        refreshFromBand(b);
        table_->SetItemText(b, ColType, TypeName(c));
    }
    recordBandStep(b, ui::FieldType, [&] { WriteBand(page_, b); });
}

void CDialogMusic::onTypeRadio(int index) {
    if (updatingRadios_) return;
    typeChoice_ = index;
    setQRange(index + 1);
    if (selected_ >= 0) ChooseBandType(selected_, index + 1);
    setEditorRadios();
}

void CDialogMusic::ChooseCrossoverFamily(int family) {
    if (page_ != PAGE_SUB) return;
    const int k = table_->SelectedRow();
    if (k < 0 || k >= dsp::kCrossoverBands) return;
    curve_->SetCrossoverFamily(k, family);
    crossoverDisplayStep(k);
    recordBandStep(k, kCrossoverStep, [&] { WriteBand(PAGE_SUB, k); });
}

// ---------------------------------------------------------------- microphones

void CDialogMusic::onMicRadio(int selection) {
    if (updatingRadios_) return;
    SelectMicEq(selection);
}

void CDialogMusic::SelectMicEq(int selection) {
    if (selection < MIC_EQ_MIC1 || selection > MIC_EQ_BOTH) return;
    if (selection == MIC_EQ_BOTH) {
        bool differ = false;
        for (int i = 0; i < kMicBands && !differ; ++i) {
            const EqBandValue a = GetEqBand(ctx_, Eq::Mic1, i), b = GetEqBand(ctx_, Eq::Mic2, i);
            differ = a.gainDb != b.gainDb || a.freqHz != b.freqHz || a.q != b.q || a.type != b.type;
        }
        if (differ && ctx_.prompter.messageBox(kMicPrompt, "注意", Prompter::Icon::Question,
                                               Prompter::Buttons::YesNo) == Prompter::Answer::Yes) {
            const int shown = micEq_;
            // The step shows the page as it will be: both microphones together.
            micEq_ = MIC_EQ_BOTH;
            recordStep(QStringLiteral("mic-copy"), QString::fromUtf8("话筒 MIC2均衡设为与MIC1一致"),
                       QStringLiteral("MIC2 EQ set to MIC1"), -1, false, [this] {
                           for (int i = 0; i < kMicBands; ++i) {
                               const EqBandValue a = GetEqBand(ctx_, Eq::Mic1, i);
                               SetEqBand(ctx_, Eq::Mic2, i, a.type, a.freqHz, a.gainDb, a.q);
                           }
                       });
            micEq_ = shown;
        }
    }
    micEq_ = selection;
    RefreshEq();
    selected_ = -1;
    ShowTable();
    setEditorRadios();
}

// ---------------------------------------------------------------- bypass and reset

void CDialogMusic::ToggleBypass() {
    const int value = ctx_.st.slotInt(bypassSlot()) != 0 ? 0 : 1;
    recordStep(QStringLiteral("bypass:%1:%2").arg(page_).arg(micEq_),
               stepPrefix(0) + QString::fromUtf8(" 均衡直通"), stepPrefix(1) + QStringLiteral(" EQ bypass"), -1,
               false, [&] {
                   if (page_ == PAGE_MIC && micEq_ == MIC_EQ_BOTH) {
                       SetEqBypass(ctx_, Eq::Mic1, value);
                       SetEqBypass(ctx_, Eq::Mic2, value);
                   } else {
                       SetEqBypass(ctx_, pageEq(page_), value);
                   }
               });
    CurrentBypass();
}

bool CDialogMusic::CurrentBypass() {
    const bool on = ctx_.st.slotInt(bypassSlot()) != 0;
    if (on != curve_->bypass()) curve_->setBypass(on);
    return on;
}

void CDialogMusic::ResetCurrentEq() {
    recordStep(QStringLiteral("reset:%1:%2").arg(page_).arg(micEq_),
               stepPrefix(0) + QString::fromUtf8(" 均衡复位"), stepPrefix(1) + QStringLiteral(" Reset EQ"), -1, false,
               [this] {
                   if (page_ == PAGE_MIC) {
                       if (micEq_ != MIC_EQ_MIC2) ResetEq(ctx_, Eq::Mic1);
                       if (micEq_ != MIC_EQ_MIC1) ResetEq(ctx_, Eq::Mic2);
                   } else {
                       ResetEq(ctx_, pageEq(page_));
                   }
               });
    RefreshEq();
    // The curve has let go of its band; the editor would show a band nobody selected.
    if (selected_ >= 0) {
        selected_ = -1;
        ShowTable();
    }
}

// ---------------------------------------------------------------- undo

QString CDialogMusic::stepPrefix(int language) const {
    QString text = PageName(page_, language);
    if (page_ == PAGE_MIC) {
        const char* const kMicNames[3] = {"MIC1", "MIC2", "MIC1+MIC2"};
        text += QLatin1Char(' ') + QLatin1String(kMicNames[std::clamp(micEq_, 0, 2)]);
    }
    return text;
}

void CDialogMusic::recordStep(const QString& key, const QString& zh, const QString& en, int band, bool nameFields,
                              const std::function<void()>& edit) {
    const ui::StepPlace place{page_, page_ == PAGE_MIC ? micEq_ : -1, band};
    ui::recordEdit(undo_, key, ui::StepLabel{zh, en, nameFields}, place, edit);
}

void CDialogMusic::recordBandStep(int b, int field, const std::function<void()>& edit) {
    QString zh = stepPrefix(0) + QString::fromUtf8(" 第%1段").arg(b + 1);
    QString en = stepPrefix(1) + QStringLiteral(" band %1").arg(b + 1);
    if (field == kCrossoverStep) {
        zh += QString::fromUtf8(" 分频类型");
        en += QStringLiteral(" crossover");
    } else if (field >= 0) {
        zh += QLatin1Char(' ') + ui::bandFieldName(field, 0);
        en += QLatin1Char(' ') + ui::bandFieldName(field, 1);
    }
    recordStep(QStringLiteral("band:%1:%2:%3:%4").arg(page_).arg(micEq_).arg(b).arg(field), zh, en, b, field < 0,
               edit);
}

void CDialogMusic::recordUpper(int cid, const std::function<void()>& edit) {
    recordStep(QStringLiteral("upper:%1:%2").arg(page_).arg(cid),
               PageName(page_, 0) + QLatin1Char(' ') + upperName(cid, 0),
               PageName(page_, 1) + QLatin1Char(' ') + upperName(cid, 1), -1, false, edit);
}

void CDialogMusic::showStep(const ui::StepPlace& place) {
    if (place.page < 0 || place.page >= kPageCount) {
        RefreshAll();
        return;
    }
    if (place.page == PAGE_MIC && place.micEq >= MIC_EQ_MIC1 && place.micEq <= MIC_EQ_BOTH) micEq_ = place.micEq;
    if (place.page != page_)
        SetPage(place.page);
    else
        RefreshAll();
    setEditorRadios();
    if (place.band >= 0) ShowBand(place.band);
}

}  // namespace udare::panel
