// The tuning panel (dialog 313): eight pages, one per signal path of the
// unit, each with the large equaliser curve, its band table or band editor,
// and an upper area that changes with the page. Every control is a direct
// child addressed by its control number, placed from the dialog template.
#pragma once

#include <QColor>
#include <QHash>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

#include "dsp/eq_model.h"
#include "ui/ui_api.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;

namespace udare {
struct Ctx;
enum class Eq : int;
}  // namespace udare

namespace udare::controls {
class CCompressPanelPlus;
class CEqPanel;
class CGdipButton;
class CGridListCtrlEx;
class CPeakMeterCtrl;
class CReportCtrl;
class CSmallEqPanel;
class CXBmpSlider;
}  // namespace udare::controls

namespace udare::shell {
class LanguageTable;
}

namespace udare::panel {

// Pages as plain numbers for the page tables (ui::PanelPage is the one list).
inline constexpr int PAGE_MIC = static_cast<int>(ui::PanelPage::Mic);
inline constexpr int PAGE_ECHO = static_cast<int>(ui::PanelPage::Echo);
inline constexpr int PAGE_REVERB = static_cast<int>(ui::PanelPage::Reverb);
inline constexpr int PAGE_MUSIC = static_cast<int>(ui::PanelPage::Music);
inline constexpr int PAGE_MAIN = static_cast<int>(ui::PanelPage::Main);
inline constexpr int PAGE_REAR = static_cast<int>(ui::PanelPage::Rear);
inline constexpr int PAGE_CENTER = static_cast<int>(ui::PanelPage::Center);
inline constexpr int PAGE_SUB = static_cast<int>(ui::PanelPage::Sub);
inline constexpr int kPageCount = ui::kPanelPageCount;

// The equaliser a page shows (Mic1 on the microphone page); its row gives the
// page's wire group and band count.
Eq PageEqualiser(int page);

enum MicEqSelection : int { MIC_EQ_MIC1 = 0, MIC_EQ_MIC2 = 1, MIC_EQ_BOTH = 2 };

// Control numbers of the panel (the caption table's keys IDD313_<n>).
namespace id {
inline constexpr int kPageZh = 1070;  // 1070-1077: Chinese page buttons, pages 0-7
inline constexpr int kPageEn = 1078;  // 1078-1085: English page buttons
inline constexpr int kBack = 1199;
inline constexpr int kMeter0 = 1168;  // 1168-1171
inline constexpr int kEffectList = 1141;
inline constexpr int kEffectSlider = 1212;
inline constexpr int kEffectFrame = 1213;
inline constexpr int kEffectValue = 1214;
inline constexpr int kReverbPreview = 1146;
inline constexpr int kEchoPreview = 1144;
inline constexpr int kEchoCaption = 1132, kEchoHint = 1133, kReverbCaption = 1134, kReverbHint = 1135;
inline constexpr int kMixSlider0 = 1052;  // 1052-1055
inline constexpr int kMixLabel0 = 1153;   // 1153, 1155, 1157, 1159
inline constexpr int kMixValue0 = 1152;   // 1152, 1154, 1156, 1158
inline constexpr int kCompGroup = 1216, kCompSwitch = 1215, kCompCurve = 1145;
inline constexpr int kCompSlider0 = 1056;  // 1056-1059
inline constexpr int kCompLabel0 = 1161;   // 1161, 1163, 1165, 1167
inline constexpr int kCompValue0 = 1160;   // 1160, 1162, 1164, 1166
inline constexpr int kDelaySwitchL = 1223, kDelaySliderL = 1060, kDelayValueL = 1172;
inline constexpr int kDelaySwitchR = 1046, kDelaySliderR = 1061, kDelayValueR = 1174;
inline constexpr int kMicEqGroup = 1220, kMic1 = 1217, kMic2 = 1218, kMicBoth = 1219;
inline constexpr int kBandTable = 1139;
inline constexpr int kTypeGroup = 1201, kGainGroup = 1205, kFreqGroup = 1206, kQGroup = 1207;
inline constexpr int kTypeRadio0 = 1190;  // 1190-1194: PEQ, LP, HP, LS, HS
inline constexpr int kBandNumber = 1211;
inline constexpr int kGainSlider = 1202, kFreqSlider = 1203, kQSlider = 1204;
inline constexpr int kGainEdit = 1208, kFreqEdit = 1209, kQEdit = 1210;
inline constexpr int kFamilyLabel = 1225, kFamilyList = 1226;
inline constexpr int kCurve = 1040;
}  // namespace id

class CDialogMusic final : public QWidget, public ui::TuningPanelApi, public ui::Relabelable {
    Q_OBJECT
public:
    static constexpr int kDialog = 313;
    static constexpr int kTemplateWidth = 672, kTemplateHeight = 302;  // dialog units
    static constexpr int kMeterTimerMs = 300;                          // timer 1

    // table: the program's caption table (null: template captions only).
    CDialogMusic(Ctx& ctx, const shell::LanguageTable* table, QWidget* parent, int page = PAGE_MIC);
    ~CDialogMusic() override;

    // One mapping of the template's dialog units to pixels: the template
    // fills the view's smallest panel exactly.
    static QRect DluRect(int left, int top, int width, int height);
    static QColor PageColour(int page);
    static QColor TableTextColour(int page);

    // ---- operations of the view ----
    void SetPage(int page);
    void RefreshAll();
    void ApplyLanguage();

    // ui::TuningPanelApi / Relabelable
    void refreshFromState() override { RefreshAll(); }
    void setPage(ui::PanelPage page) override { SetPage(static_cast<int>(page)); }
    ui::PanelPage page() const override { return static_cast<ui::PanelPage>(page_); }
    int pageNumber() const { return page_; }
    bool eqBypassed() const override { return const_cast<CDialogMusic*>(this)->CurrentBypass(); }
    void toggleEqBypass() override { ToggleBypass(); }
    void resetEq() override { ResetCurrentEq(); }
    void relabel() override { ApplyLanguage(); }
    void eqFileCommand(ui::EqFileCommand command) override;

    // ---- the page's equaliser as files ----
    // Asks for the file to read or write (rew: REW's format was chosen for a
    // filter set); empty when cancelled. The file dialogs unless replaced.
    using FileNameAsker = std::function<QString(ui::EqFileCommand command, bool* rew)>;
    void setFileNameAsker(FileNameAsker asker) { askFileName_ = std::move(asker); }
    // Reads a filter set into the page's equaliser (both microphones with
    // MIC1+MIC2) as one set of band changes, stored then sent; every clamp
    // and left-out filter is told in one box. A malformed file changes nothing.
    bool ImportFilters(const QString& path);
    bool ExportFilters(const QString& path, bool rew);
    // CSV for a name ending in .csv, otherwise PNG of the curve as shown.
    bool ExportCurve(const QString& path);
    // The curve's menu for a right click away from the handles.
    void ShowFileMenu(const QPoint& global);
    QMenu* fileMenu() const { return fileMenu_; }
    void setUndoStack(ui::UndoStack* stack) override { undo_ = stack; }
    void showStep(const ui::StepPlace& place) override;
    // A page's name as its button shows it (0 Chinese, 1 English).
    static QString PageName(int page, int language);

    // ---- equaliser pages ----
    void RebuildBandTable();
    void RefreshEq();
    void ShowTable();
    void ShowEditor();
    void OnBandSelected(const dsp::EqBand& band, int b);
    // The band shown as selected in the curve, table and editor; nothing written.
    void ShowBand(int b);
    void OnSelectionCleared();
    void CommitEditor(int b);
    void CommitTableRow(int r);
    void ChooseBandType(int b, int code);
    void ChooseCrossoverFamily(int family);
    void SelectMicEq(int selection);
    void ToggleBypass();
    bool CurrentBypass();
    void ResetCurrentEq();
    // The band as DeviceState holds it, and its write (store, then send).
    struct BandValues {
        int type = 0;
        float gain = 0.0f;
        float frequency = 0.0f;
        float q = 0.0f;
    };
    BandValues ReadBand(int page, int i) const;
    void WriteBand(int page, int i);
    // Channel facts of a page.
    static int BandCount(int page);  // in DeviceState and the curve (Sub: 20 sections)
    static int RowCount(int page);   // rows of the band table (Sub: 5)
    static int SubSection(int curveBand);  // curve band -> Sub section
    static QString TypeName(int code);     // current language; "" outside 0-5
    // Family and shown type of the crossover display step, from four codes.
    struct CrossoverShown {
        int family = 0;
        int type = 0;
    };
    static CrossoverShown LookupCrossover(const std::array<int, 4>& codes);

    // ---- state, for the view and tests ----
    int micEqSelection() const { return micEq_; }
    int selectedBand() const { return selected_; }
    int typeChoice() const { return typeChoice_; }
    QColor pageColour() const { return pageColour_; }
    int separatorY() const;
    QWidget* control(int id) const { return controls_.value(id); }
    template <class W>
    W* controlAs(int id) const {
        return qobject_cast<W*>(control(id));
    }
    controls::CEqPanel* curve() const { return curve_; }
    controls::CGridListCtrlEx* bandTable() const { return table_; }
    int refreshCount() const { return refreshCount_; }
    int effectRow() const { return effectRow_; }  // row of the effect list the slider edits
    int rebuildCount() const { return rebuildCount_; }
    // One tick of timer 1: the level bytes to the meters.
    void FeedMeters();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    // Construction.
    void createControls();
    void initControls();
    QWidget* add(int id, QWidget* w, const QRect& dlu);
    void layoutPage();
    void onPageButton(int page);
    void updateAccessibleNames();
    void onSlider(int id, int position);
    bool routeWheel(int delta);

    // Equaliser helpers.
    Eq pageEq(int page) const;
    int bypassSlot() const;
    void formatRow(int row, const dsp::EqBand& b, bool withType);
    void formatEditor(const dsp::EqBand& b);
    void setEditorSliders(const dsp::EqBand& b);
    void setQRange(int type);
    void setGainEnabled(int type);
    void setFamilyEnabled(bool enabled);
    void setEditorRadios();
    void crossoverDisplayStep(int k, bool select = true);
    void refreshFromBand(int b);
    void refreshTableColours();
    void onCellEdited(int row, int column, const QString& text);
    void onTypeRadio(int index);
    void onMicRadio(int selection);
    void onBandSlider(int id, int position);
    void selectBand(const dsp::EqBand& band, int b, bool write);
    // field: the ui::BandField that names the step, or -1 to name it by what changed.
    void commitEditor(int b, int field);
    void commitTableRow(int r, int field);
    // One undoable step: what edit changes in DeviceState, named and placed.
    void recordStep(const QString& key, const QString& zh, const QString& en, int band, bool nameFields,
                    const std::function<void()>& edit);
    // A band's step ("主输出 第5段 增益"): field names it, or -1 for the fields that changed.
    void recordBandStep(int b, int field, const std::function<void()>& edit);
    QString stepPrefix(int language) const;
    // A step of the upper area, named by the page and the control's caption
    // in both languages, so the name follows a later change of language.
    void recordUpper(int cid, const std::function<void()>& edit);
    QString upperName(int cid, int language) const;
    // The text a caption control of the upper area shows in a language.
    QString captionIn(int captionCid, int language) const;

    // ---- the upper area (effects, mixes, delays, compressor) ----
    void buildEffectList();
    void initUpperSliders();
    void enableEffectArea(bool enabled);
    void refreshMix();
    void refreshEffects();
    void refreshPreviews();
    void refreshOutputCaptions();
    void refreshCompressor();
    void refreshDelays();
    void applyEffectFrameCaption();
    void onUpperSlider(int id, int position);
    void onEffectListClicked(int row);
    void onCompressorSwitch();
    void onDelaySwitch(int id);
    void effectWheelStep(int delta);

    Ctx& ctx_;
    const shell::LanguageTable* langTable_;
    ui::UndoStack* undo_ = nullptr;
    int page_ = PAGE_MIC;
    int micEq_ = MIC_EQ_BOTH;
    int selected_ = -1;
    int typeChoice_ = 0;
    QColor pageColour_;
    int initialWidth_ = 0;
    bool anchorsRecorded_ = false;
    QHash<int, QRect> anchors_;
    int refreshCount_ = 0;
    int rebuildCount_ = 0;
    bool updatingRadios_ = false;
    int effectRow_ = 0;

    QHash<int, QWidget*> controls_;
    FileNameAsker askFileName_;
    QMenu* fileMenu_ = nullptr;
    controls::CEqPanel* curve_ = nullptr;
    controls::CGridListCtrlEx* table_ = nullptr;
    std::array<controls::CPeakMeterCtrl*, 4> meters_{};
    QTimer meterTimer_;
};

}  // namespace udare::panel
