// Finding, opening and tearing down the unit's interface.
#include "link_fixture.h"

namespace udare::test {
namespace {

using Connect = LinkTest;

TEST_F(Connect, OpensTheUnitAndLogsEachStep) {
    backend.add("/dev/hidraw0");
    ASSERT_EQ(link->ConnectDevice(), 1);
    EXPECT_EQ(link->connected.load(), 1);
    EXPECT_EQ(link->devicePath(), "/dev/hidraw0");
    EXPECT_EQ(backend.monitorStarts, 1);
    EXPECT_EQ(backend.currentListener(), link.get());
    std::vector<std::string> expected = {
        "开始枚举usb设备", "枚举usb设备成功", "设备路径:\r\n/dev/hidraw0", "尝试打开通信端口....",
        "打开通信端口成功!\n", "正在读取设备的标识...\n", "连接目标设备成功!",
        "start thread: ReadUsbThreadProc \n"};
    ASSERT_TRUE(eventually([&] { return logged(expected.back()); }));
    std::lock_guard<std::mutex> l(log.m);
    EXPECT_EQ(log.lines, expected);
}

TEST_F(Connect, SecondConnectChangesNothing) {
    backend.add("/dev/hidraw0");
    ASSERT_EQ(link->ConnectDevice(), 1);
    auto wire = backend.wire();
    EXPECT_EQ(link->ConnectDevice(), 0);
    EXPECT_EQ(link->connected.load(), 1);
    EXPECT_EQ(backend.enumerations, 1);
    EXPECT_EQ(backend.monitorStarts, 1);
    EXPECT_EQ(backend.wire(), wire);
    EXPECT_EQ(send(0x0E), kReportSize);  // the same device still works
    EXPECT_EQ(wire->writtenCount(), 1u);
}

TEST_F(Connect, WrongProductIsOpenedClosedAndSkipped) {
    backend.add("/dev/hidraw0", 0x046D, 0xC52B);          // another maker
    backend.add("/dev/hidraw1", UNIT_VENDOR_ID, 0x1032);  // our vendor, another product
    backend.add("/dev/hidraw2");
    ASSERT_EQ(link->ConnectDevice(), 1);
    EXPECT_EQ(backend.opened, (std::vector<std::string>{"/dev/hidraw0", "/dev/hidraw1", "/dev/hidraw2"}));
    EXPECT_TRUE(backend.wires[0]->isDestroyed());
    EXPECT_TRUE(backend.wires[1]->isDestroyed());
    EXPECT_FALSE(backend.wires[2]->isDestroyed());
    EXPECT_EQ(link->devicePath(), "/dev/hidraw2");
}

TEST_F(Connect, FirstMatchWinsAndInactiveInterfacesAreSkipped) {
    backend.add("/dev/hidraw0");
    backend.add("/dev/hidraw1");
    backend.add("/dev/hidraw2");
    backend.ifaces[0].info.active = false;
    ASSERT_EQ(link->ConnectDevice(), 1);
    EXPECT_EQ(backend.opened, std::vector<std::string>{"/dev/hidraw1"});
    EXPECT_EQ(link->devicePath(), "/dev/hidraw1");
}

TEST_F(Connect, OnlyTheFirst32InterfacesAreExamined) {
    for (int i = 0; i < 32; ++i) backend.add("/dev/hidraw" + std::to_string(i), 0x1234, 0x5678);
    backend.add("/dev/hidraw32");  // the unit, one too far
    EXPECT_EQ(link->ConnectDevice(), 0);
    EXPECT_EQ(backend.opened.size(), 32u);
    EXPECT_EQ(std::count(backend.opened.begin(), backend.opened.end(), "/dev/hidraw32"), 0);
    EXPECT_EQ(logCount("枚举usb设备成功"), 32);
    EXPECT_FALSE(logged("枚举usb设备出错,usb设备接口可能枚举完成了"));
    EXPECT_TRUE(logged("连接目标设备失败，没有找到目标设备"));
    EXPECT_EQ(link->connected.load(), 0);

    // At index 31 it is still found.
    backend.ifaces[31] = backend.ifaces[32];
    backend.ifaces[31].info.path = "/dev/hidraw31";
    EXPECT_EQ(link->ConnectDevice(), 1);
}

TEST_F(Connect, EndOfEnumerationIsLogged) {
    backend.add("/dev/hidraw0", 0x1234, 0x5678);
    EXPECT_EQ(link->ConnectDevice(), 0);
    EXPECT_EQ(logCount("枚举usb设备成功"), 1);
    EXPECT_TRUE(logged("枚举usb设备出错,usb设备接口可能枚举完成了"));
    EXPECT_TRUE(logged("连接目标设备失败，没有找到目标设备"));
}

TEST_F(Connect, OpenAndAttributeFailuresAreLoggedAndEnumerationGoesOn) {
    backend.add("/dev/hidraw0");
    backend.add("/dev/hidraw1");
    backend.add("/dev/hidraw2");
    backend.ifaces[0].opens = false;
    backend.ifaces[1].attrsOk = false;
    ASSERT_EQ(link->ConnectDevice(), 1);
    EXPECT_TRUE(logged("无法打开通信端口。不能读取设备信息!(设备连接可能不正确?)\n"));
    EXPECT_TRUE(logged("查询设备信息出错!\n"));
    EXPECT_TRUE(backend.wires[0]->isDestroyed());  // the one whose attributes failed
    EXPECT_EQ(link->devicePath(), "/dev/hidraw2");
}

TEST_F(Connect, MissingPathIsLogged) {
    backend.add("");
    EXPECT_EQ(link->ConnectDevice(), 0);
    EXPECT_TRUE(logged("查找设备路径时出错!"));
    EXPECT_TRUE(backend.opened.empty());
}

TEST_F(Connect, RegistrationIsTriedOnEveryCallAndItsFailureBoxed) {
    backend.add("/dev/hidraw0");
    backend.monitorOk = false;
    link->upgradeMode = 1;  // left over from an upgrade-mode connection
    EXPECT_EQ(link->ConnectDevice(), 0);
    EXPECT_EQ(link->upgradeMode.load(), 0);
    EXPECT_EQ(link->ConnectDevice(), 0);
    EXPECT_EQ(backend.monitorStarts, 2);
    EXPECT_EQ(backend.enumerations, 0);
    ASSERT_EQ(prompter.boxes.size(), 2u);
    EXPECT_EQ(prompter.boxes[0].text, "Can't register device notification: ");
    EXPECT_EQ(prompter.boxes[0].caption, "Error");
    EXPECT_EQ(prompter.boxes[0].icon, Prompter::Icon::Warning);
    EXPECT_EQ(logCount("注册Guid错误，可能不能捕捉设备的连接或移除\n"), 2);

    backend.monitorOk = true;
    EXPECT_EQ(link->ConnectDevice(), 1);
    EXPECT_EQ(backend.monitorStarts, 3);
}

TEST_F(Connect, EnumerationFailureIsLogged) {
    backend.enumerateOk = false;
    EXPECT_EQ(link->ConnectDevice(), 0);
    EXPECT_TRUE(logged("获取Hid设备信息失败"));
    EXPECT_FALSE(logged("开始枚举usb设备"));
}

TEST_F(Connect, RemovalPathIsComparedWithoutCase) {
    backend.add("/dev/HidRaw3");
    ASSERT_EQ(link->ConnectDevice(), 1);
    struct Case {
        const char* path;
        bool ours;
    } cases[] = {
        {"/dev/HidRaw3", true}, {"/dev/hidraw3", true}, {"/DEV/HIDRAW3", true},
        {"/dev/hidraw4", false}, {"/dev/hidraw", false}, {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(link->IsOurDeviceRemoved(c.path), c.ours) << c.path;
}

TEST_F(Connect, NoPathMatchesBeforeAnyConnection) {
    EXPECT_FALSE(link->IsOurDeviceRemoved(""));
    EXPECT_FALSE(link->IsOurDeviceRemoved("/dev/hidraw0"));
}

TEST_F(Connect, DisconnectEndsTheReaderSendsNothingAndClosesTheDevice) {
    backend.add("/dev/hidraw0");
    ASSERT_EQ(link->ConnectDevice(), 1);
    auto wire = backend.wire();
    st.identity.meterLevels.set(0, 7);
    st.identity.meterLevels.set(2, 9);
    link->setTimingForTest({200, 5000, 60000});  // a read that only cancel() can end
    const int64_t t0 = steadyMs();
    EXPECT_EQ(link->DisconnectDevice(), 1);
    EXPECT_LT(steadyMs() - t0, 1000);
    EXPECT_EQ(link->connected.load(), 0);
    EXPECT_TRUE(wire->isDestroyed());
    EXPECT_EQ(wire->writtenCount(), 0u);
    EXPECT_EQ(st.identity.meterLevels[0], 0);
    EXPECT_EQ(st.identity.meterLevels[2], 0);
    EXPECT_FALSE(logged("wait read thread exited time out !\n"));
    EXPECT_FALSE(logged("Read Usb Error will return !\n"));  // our own cancel is no error
    EXPECT_FALSE(link->hasDevice());
    EXPECT_EQ(link->DisconnectDevice(), 1);  // again: nothing to do
    EXPECT_EQ(send(0x0E), 0);               // dropped silently
}

TEST_F(Connect, CloseDeviceSendsTheClosingReportUnlessUpgrading) {
    backend.add("/dev/hidraw0");
    ASSERT_EQ(link->ConnectDevice(), 1);
    auto wire = backend.wire();
    link->CloseDevice();
    ASSERT_EQ(wire->writtenCount(), 1u);
    EXPECT_EQ(wire->writtenReports()[0], fromHex("02 8A"));
    EXPECT_EQ(link->connected.load(), 0);

    backend.ifaces[0].info.product = "Karaoke DSP Upgrade";
    ASSERT_EQ(link->ConnectDevice(), 1);
    EXPECT_EQ(link->upgradeMode.load(), 1);
    wire = backend.wire();
    link->CloseDevice();
    EXPECT_EQ(wire->writtenCount(), 0u);
}

TEST_F(Connect, UpgradeModeComesFromTheProductStringAtEachConnection) {
    struct Case {
        const char* product;
        int mode;
    } cases[] = {
        {"Karaoke DSP", 0}, {"Karaoke DSP Upgrade", 1}, {"UPGRADE", 1},
        {"upgrade mode", 1}, {"Upgrad", 0}, {"", 0},
    };
    backend.add("/dev/hidraw0");
    for (const auto& c : cases) {
        backend.ifaces[0].info.product = c.product;
        ASSERT_EQ(link->ConnectDevice(), 1);
        EXPECT_EQ(link->upgradeMode.load(), c.mode) << c.product;
        EXPECT_EQ(link->connectedInterface().product, c.product);
        link->DisconnectDevice();
    }
}

TEST_F(Connect, HotplugIsForwardedToTheOwner) {
    std::mutex m;
    std::vector<std::pair<bool, std::string>> seen;
    link->setHotplugHandler([&](bool arrived, const std::string& path) {
        std::lock_guard<std::mutex> l(m);
        seen.emplace_back(arrived, path);
    });
    backend.add("/dev/hidraw0");
    ASSERT_EQ(link->ConnectDevice(), 1);
    std::thread monitor([&] {
        backend.currentListener()->deviceArrived("/dev/hidraw5");
        backend.currentListener()->deviceRemoved("/dev/HIDRAW0");
    });
    monitor.join();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair(true, std::string("/dev/hidraw5")));
    EXPECT_EQ(seen[1], std::make_pair(false, std::string("/dev/HIDRAW0")));
    EXPECT_TRUE(link->IsOurDeviceRemoved(seen[1].second));
}

TEST_F(Connect, DestructionStopsTheMonitorAndEndsTheLink) {
    backend.add("/dev/hidraw0");
    ASSERT_EQ(link->ConnectDevice(), 1);
    auto wire = backend.wire();
    link.reset();
    EXPECT_EQ(backend.monitorStops, 1);
    EXPECT_TRUE(wire->isDestroyed());
}

}  // namespace
}  // namespace udare::test
