// The key areas of the remote-control picture: where each lies, which byte
// of the remote-key table it teaches, and what it is called. The picture,
// the clickable areas and the learning texts all come from this table.
#pragma once

#include <array>

namespace udare::dialogs {

struct RemoteKey {
    int areaId;           // control identifier of the clickable area
    int left, top, width, height;  // dialog units
    int slot;             // byte of the remote-key table; 0 = not supported
    const char* learnEn;  // "Learning key: ..." (every blank kept)
    const char* learnZh;
    const char* nameEn;   // the function, for assistive technology
    const char* nameZh;
    const char* caption;  // printed on the key in the picture
};

inline constexpr std::array<RemoteKey, 18> kRemoteKeys{{
    {1587, 22, 207, 20, 16, 1, "Learning key: load user mode 1", "您正在学习的键：载入模式一",
     "load user mode 1", "载入模式一", "M1"},
    {1600, 94, 206, 20, 16, 2, "Learning key: load user mode 2", "您正在学习的键：载入模式二",
     "load user mode 2", "载入模式二", "M2"},
    {1601, 22, 229, 20, 16, 3, "Learning key: load user mode 3", "您正在学习的键：载入模式三",
     "load user mode 3", "载入模式三", "M3"},
    {1602, 94, 228, 20, 16, 4, "Learning key: load user mode 4", "您正在学习的键：载入模式四",
     "load user mode 4", "载入模式四", "M4"},
    {1603, 25, 132, 20, 16, 5, "Learning key: mic vol+,increment mic vol", "您正在学习的键：增加话筒音量",
     "mic volume up", "增加话筒音量", "MIC+"},
    {1604, 25, 180, 20, 16, 6, "Learning key: mic vol-,decrement mic vol", "您正在学习的键：降低话筒音量",
     "mic volume down", "降低话筒音量", "MIC-"},
    {1605, 94, 132, 20, 16, 7, "Learning key: music vol+,increment music vol", "您正在学习的键：增加音乐音量",
     "music volume up", "增加音乐音量", "MUS+"},
    {1606, 94, 180, 20, 16, 8, "Learning key: music vol-,decrement music vol", "您正在学习的键：降低音乐音量",
     "music volume down", "降低音乐音量", "MUS-"},
    {1607, 57, 156, 25, 18, 9, "Learning key:  music mute", "您正在学习的键：音乐静音", "music mute",
     "音乐静音", "MUTE"},
    {1608, 96, 84, 20, 14, 10, "Learning key: tone increment ", "您正在学习的键：升调", "key up", "升调",
     "#"},
    {1609, 60, 84, 20, 14, 11, "Learning key:  reset tone", "您正在学习的键：原调", "key reset", "原调",
     "0"},
    {1610, 23, 84, 20, 14, 12, "Learning key: tone decrement", "您正在学习的键：降调", "key down", "降调",
     "b"},
    {1612, 60, 208, 20, 14, 14, "Learning key: Effect vol+,increment effect vol",
     "您正在学习的键：增加效果音量", "effect volume up", "增加效果音量", "EFF+"},
    {1613, 59, 230, 20, 14, 15, "Learning key: Effect vol-,decrement effect vol",
     "您正在学习的键：降低效果音量", "effect volume down", "降低效果音量", "EFF-"},
    {1611, 59, 182, 23, 14, 0, nullptr, nullptr, "down (not supported)", "下（不支持）", "\u25BC"},
    {1614, 24, 156, 20, 14, 0, nullptr, nullptr, "left (not supported)", "左（不支持）", "\u25C0"},
    {1615, 94, 156, 20, 14, 0, nullptr, nullptr, "right (not supported)", "右（不支持）", "\u25B6"},
    {1616, 60, 129, 20, 14, 0, nullptr, nullptr, "up (not supported)", "上（不支持）", "\u25B2"},
}};

}  // namespace udare::dialogs
