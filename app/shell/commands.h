// Command and control identifiers of the frame, the ribbon and the status bar.
#pragma once

namespace udare::shell::cmd {

// Application menu and frame.
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_MRU_FIRST = 57616;  // recent files, 10 in a row
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;

// Ribbon, Input category (Output twins follow).
inline constexpr int ID_LABEL_MICVOL = 32832, ID_LABEL_MICVOL_OUT = 32857;
inline constexpr int ID_SLIDER_MICVOL = 32829, ID_SLIDER_MICVOL_OUT = 32858;
inline constexpr int ID_CHK_MUTE1 = 32847, ID_CHK_MUTE1_OUT = 32859;
inline constexpr int ID_LABEL_EFXVOL = 32895, ID_LABEL_EFXVOL_OUT = 32896;
inline constexpr int ID_SLIDER_EFXVOL = 32897, ID_SLIDER_EFXVOL_OUT = 32898;
inline constexpr int ID_LABEL_MUSICVOL = 32834, ID_LABEL_MUSICVOL_OUT = 32866;
inline constexpr int ID_SLIDER_MUSICVOL = 32831, ID_SLIDER_MUSICVOL_OUT = 32867;
inline constexpr int ID_CHK_MUTE4 = 32850, ID_CHK_MUTE4_OUT = 32868;
inline constexpr int ID_LABEL_NOISEGATE = 32903, ID_LABEL_NOISEGATE_OUT = 32904;
inline constexpr int ID_SLIDER_NOISEGATE = 32846, ID_SLIDER_NOISEGATE_OUT = 32879;
inline constexpr int ID_SLIDER_FBC = 32899, ID_SLIDER_FBC_OUT = 32900;
inline constexpr int ID_LABEL_MUSICNG = 32905, ID_LABEL_MUSICNG_OUT = 32906;
inline constexpr int ID_SLIDER_MUSICNG = 32901, ID_SLIDER_MUSICNG_OUT = 32902;
inline constexpr int ID_SLIDER_PITCH = 32841, ID_SLIDER_PITCH_OUT = 32880;
inline constexpr int IDC_LOAD_M1 = 32815, IDC_LOAD_M2 = 32816, IDC_LOAD_M3 = 32817,
                     IDC_LOAD_M4 = 32818;
inline constexpr int IDC_SAVE_M1 = 32819, IDC_SAVE_M2 = 32820, IDC_SAVE_M3 = 32821,
                     IDC_SAVE_M4 = 32822;
inline constexpr int IDC_FILE_OPEN = 32827, IDC_FILE_OPEN_OUT = 32881;
inline constexpr int IDC_FILE_SAVE = 32828, IDC_FILE_SAVE_OUT = 32882;

// Tab-row buttons.
inline constexpr int ID_BTN_RESET = 32811;
inline constexpr int ID_BTN_REMOTE = 32812;
inline constexpr int ID_BTN_AUTOSUB = 32907;
inline constexpr int ID_BTN_NOISEGATE = 32908;
inline constexpr int ID_BTN_LANGUAGE = 32805;

// Status bar.
inline constexpr int ID_STATUS_DEVICE = 120;
inline constexpr int ID_STATUS_MODE = 121;
inline constexpr int ID_CHK_EQBYPASS = 1121;
inline constexpr int ID_BTN_RESETEQ = 1122;

// The Output twin of an Input control, or the id itself when it has none.
int outputTwin(int inputId);
// The Input twin of an Output control, or the id itself.
int inputTwin(int outputId);

}  // namespace udare::shell::cmd
