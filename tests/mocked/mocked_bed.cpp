#include "mocked_bed.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "protocol/report.h"
#include "sim/virtual_unit.h"

namespace udare::mocked {

namespace {

constexpr char kPreload[] = "libumockdev-preload.so.0";
constexpr int kHidrawMajor = 241;

using Clock = std::chrono::steady_clock;

UMockdevTestbed* bed(void* p) { return static_cast<UMockdevTestbed*>(p); }

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

std::string usbSyspath(int number) {
    return format("/sys/devices/pci0000:00/0000:00:14.0/usb1/1-%d", number + 1);
}

std::string hidName(const DeviceSpec& s) {
    return format("0003:%04X:%04X.%04X", s.vendorId, s.productId, s.number + 1);
}

// The tree the kernel and udev make for a USB HID device: device,
// interface, hid device, hidraw node.
std::string describeTree(const DeviceSpec& s) {
    const std::string usb = usbSyspath(s.number).substr(4);  // without /sys
    const std::string intf = usb + format("/1-%d:1.0", s.number + 1);
    const std::string hid = intf + "/" + hidName(s);
    std::string t;
    t += "P: " + usb + "\n";
    t += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n";
    t += format("A: idVendor=%04x\nA: idProduct=%04x\nA: bcdDevice=%04x\n", s.vendorId, s.productId,
                s.bcdDevice);
    t += "A: manufacturer=" + s.manufacturer + "\nA: product=" + s.product + "\n\n";
    t += "P: " + intf + "\n";
    t += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceClass=03\nA: bInterfaceNumber=00\n\n";
    t += "P: " + hid + "\n";
    t += "E: SUBSYSTEM=hid\nE: DRIVER=hid-generic\n";
    t += format("E: HID_ID=0003:%08X:%08X\n", s.vendorId, s.productId);
    t += "E: HID_NAME=" + s.manufacturer + " " + s.product + "\n\n";
    t += format("P: %s/hidraw/hidraw%d\n", hid.c_str(), s.number);
    t += format("N: hidraw%d\n", s.number);
    t += format("E: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/hidraw%d\n", s.number);
    t += format("E: MAJOR=%d\nE: MINOR=%d\nA: dev=%d:%d\n", kHidrawMajor, s.number, kHidrawMajor,
                s.number);
    return t;
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool writeAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t k = ::write(fd, p, n);
        if (k < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += k;
        n -= static_cast<size_t>(k);
    }
    return true;
}

}  // namespace

bool ensurePreloaded(char** argv) {
    const char* have = std::getenv("LD_PRELOAD");
    if (have && std::strstr(have, "libumockdev-preload")) return true;
    // The realpath() mend goes first, so it is the one programs call.
    std::string value = std::string(UDARE_MOCKED_REALPATH) + ":" + kPreload;
    if (have && *have) value += std::string(":") + have;
    ::setenv("LD_PRELOAD", value.c_str(), 1);
    ::execv("/proc/self/exe", argv);
    std::perror("re-starting under the umockdev preload");
    return false;
}

// One plugged device. For a unit, a thread bridges the PTY's master side to
// the virtual unit.
struct MockedBed::Node {
    DeviceSpec spec;
    int master = -1;  // the testbed's; never closed here
    std::string slave;
    bool hungUp = false;
    std::thread bridge;
    std::atomic<bool> stop{false};
    std::atomic<int> requests{0};
    std::atomic<bool> inUse{false};

    // What the program has not read yet, looked at through a short-lived
    // second opening of the slave side (a poll there also pushes bytes still
    // on their way into the line discipline).
    bool slaveHasUnread() const {
        int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return false;
        pollfd p{fd, POLLIN, 0};
        bool unread = ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
        ::close(fd);
        return unread;
    }
    void flushSlaveInput() const {
        int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return;
        ::tcflush(fd, TCIFLUSH);
        ::close(fd);
    }

    // A PTY keeps no report boundaries, a hidraw node does: the bridge chops
    // what the program writes into 61-byte reports and hands the program one
    // reply at a time, the next only once it has read the last.
    void run() {
        std::unique_ptr<HidDevice> dev;
        std::vector<uint8_t> pending;
        bool outstanding = false;
        Clock::time_point sentAt{};
        while (!stop.load()) {
            pollfd p{master, POLLIN, 0};
            int r = ::poll(&p, 1, 2);
            if (r < 0 && errno != EINTR) return;
            if (p.revents & POLLNVAL) return;
            if (!dev && (p.revents & POLLIN || !(p.revents & POLLHUP))) {
                // A program opened the node: a fresh handle on the unit, as
                // each opening of a hidraw node has its own queue.
                flushSlaveInput();  // what the previous opening left unread
                dev = spec.unit->open(spec.unit->path());
                if (!dev) {
                    sleepMs(2);
                    continue;
                }
                inUse = true;
            }
            bool drained = true;
            if ((p.revents & POLLIN) && dev) {
                uint8_t buf[512];
                ssize_t k = ::read(master, buf, sizeof buf);
                if (k > 0) {
                    pending.insert(pending.end(), buf, buf + k);
                    drained = false;
                }
                while (pending.size() >= kReportSize) {
                    dev->write(pending.data(), kReportSize);
                    ++requests;
                    pending.erase(pending.begin(), pending.begin() + kReportSize);
                }
            }
            if ((p.revents & POLLHUP) && drained) {
                // Nobody has the node open any more, and all it was sent is passed on.
                dev.reset();
                pending.clear();
                outstanding = false;
                inUse = false;
                sleepMs(2);
                continue;
            }
            if (!dev) continue;
            if (outstanding) {
                if (slaveHasUnread() && Clock::now() - sentAt < std::chrono::seconds(1)) continue;
                outstanding = false;
            }
            uint8_t reply[kReportSize];
            if (dev->read(reply, sizeof reply, 0) > 0) {
                writeAll(master, reply, sizeof reply);
                outstanding = true;
                sentAt = Clock::now();
            }
        }
    }
};

// An ioctl handler for one node: HIDIOCGRAWINFO as the test wants it.
struct MockedBed::RawInfo {
    int error = 0;
    uint16_t vendorId = 0, productId = 0;
    UMockdevIoctlBase* handler = nullptr;

    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        const RawInfo& r = *static_cast<RawInfo*>(self);
        if (umockdev_ioctl_client_get_request(client) != HIDIOCGRAWINFO) return FALSE;
        if (r.error) {
            umockdev_ioctl_client_complete(client, -1, r.error);
            return TRUE;
        }
        UMockdevIoctlData* data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0,
                                                              sizeof(hidraw_devinfo), nullptr);
        if (!data) return FALSE;
        hidraw_devinfo info{};
        info.bustype = 3;  // USB
        info.vendor = static_cast<int16_t>(r.vendorId);
        info.product = static_cast<int16_t>(r.productId);
        std::memcpy(data->data, &info, sizeof info);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
};

MockedBed::MockedBed() {
    const char* have = std::getenv("LD_PRELOAD");
    if (!have || !std::strstr(have, "libumockdev-preload")) {
        error_ = "not running under libumockdev-preload";
        return;
    }
    UMockdevTestbed* tb = umockdev_testbed_new();
    if (!tb) {
        error_ = "umockdev_testbed_new failed";
        return;
    }
    testbed_ = tb;
    gchar* root = umockdev_testbed_get_root_dir(tb);
    root_ = root;
    g_free(root);
    ok_ = true;
}

MockedBed::~MockedBed() {
    while (!nodes_.empty()) unplug(nodes_.begin()->first);
    if (testbed_) g_object_unref(bed(testbed_));
    for (auto& r : rawInfos_) g_object_unref(r->handler);
}

bool MockedBed::answerRawInfo(int number, int error, uint16_t vendorId, uint16_t productId) {
    if (!nodes_.count(number)) return false;
    auto r = std::make_unique<RawInfo>();
    r->error = error;
    r->vendorId = vendorId;
    r->productId = productId;
    r->handler = umockdev_ioctl_base_new();
    g_signal_connect(r->handler, "handle-ioctl", G_CALLBACK(&RawInfo::onIoctl), r.get());
    GError* err = nullptr;
    if (!umockdev_testbed_attach_ioctl(bed(testbed_), nodePath(number).c_str(), r->handler, &err)) {
        error_ = err ? err->message : "attach_ioctl failed";
        if (err) g_error_free(err);
        g_object_unref(r->handler);
        return false;
    }
    rawInfos_.push_back(std::move(r));
    return true;
}

std::string MockedBed::nodePath(int number) { return format("/dev/hidraw%d", number); }

std::string MockedBed::hidrawSyspath(const DeviceSpec& spec) {
    return usbSyspath(spec.number) + format("/1-%d:1.0/", spec.number + 1) + hidName(spec) +
           format("/hidraw/hidraw%d", spec.number);
}

bool MockedBed::plug(const DeviceSpec& spec) {
    if (!ok_) return false;
    if (!usedNumbers_.insert(spec.number).second) {
        // umockdev remembers every PTY node it made, even once removed.
        error_ = "a node number can be plugged only once";
        return false;
    }
    GError* err = nullptr;
    if (!umockdev_testbed_add_from_string(bed(testbed_), describeTree(spec).c_str(), &err)) {
        error_ = err ? err->message : "add_from_string failed";
        if (err) g_error_free(err);
        return false;
    }
    auto n = std::make_unique<Node>();
    n->spec = spec;
    const std::string path = nodePath(spec.number);
    n->master = umockdev_testbed_get_dev_fd(bed(testbed_), path.c_str());
    if (n->master < 0) {
        error_ = "no PTY behind " + path;
        return false;
    }
    if (const char* s = ::ptsname(n->master)) n->slave = s;
    // Raw, so that every byte passes as it is, both ways (set through the
    // master, it applies to the slave side the program opens).
    termios t{};
    ::tcgetattr(n->master, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(n->master, TCSANOW, &t);
    if (spec.unit) {
        Node* raw = n.get();
        n->bridge = std::thread([raw] { raw->run(); });
    }
    nodes_[spec.number] = std::move(n);
    return true;
}

void MockedBed::hangUp(int number) {
    auto it = nodes_.find(number);
    if (it == nodes_.end() || it->second->hungUp) return;
    Node& n = *it->second;
    n.stop = true;
    if (n.bridge.joinable()) n.bridge.join();
    // The testbed owns the master's descriptor, so it stays open: put
    // /dev/null in its place, which drops the PTY's last master reference.
    int nul = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (nul >= 0) {
        ::dup2(nul, n.master);
        ::close(nul);
    }
    // The PTY's number is free again; umockdev's map from it to the node
    // would stop the next PTY with that number.
    if (!n.slave.empty()) {
        std::string key = n.slave;
        for (char& c : key)
            if (c == '/') c = '_';
        ::unlink((root_ + "/dev/.ptymap/" + key).c_str());
    }
    n.hungUp = true;
}

void MockedBed::unplug(int number) {
    auto it = nodes_.find(number);
    if (it == nodes_.end()) return;
    hangUp(number);
    const DeviceSpec spec = it->second->spec;
    const std::string hidraw = hidrawSyspath(spec);
    umockdev_testbed_uevent(bed(testbed_), hidraw.c_str(), "remove");
    // Child first: removing a parent leaves its children's links behind.
    const std::string hid = hidraw.substr(0, hidraw.rfind("/hidraw/"));
    const std::string intf = hid.substr(0, hid.rfind('/'));
    for (const std::string& p : {hidraw, hid, intf, usbSyspath(spec.number)})
        umockdev_testbed_remove_device(bed(testbed_), p.c_str());
    ::unlink((root_ + "/dev/hidraw" + std::to_string(spec.number)).c_str());
    nodes_.erase(it);
}

bool MockedBed::denyAccess(int number) {
    auto it = nodes_.find(number);
    if (it == nodes_.end() || it->second->slave.empty()) return false;
    return ::chmod(it->second->slave.c_str(), 0) == 0;
}

bool MockedBed::inUse(int number) const {
    auto it = nodes_.find(number);
    if (it == nodes_.end() || it->second->hungUp) return false;
    int unread = 0;  // written by a program the bridge has not seen yet
    ::ioctl(it->second->master, FIONREAD, &unread);
    return it->second->inUse.load() || unread > 0;
}

int MockedBed::requests(int number) const {
    auto it = nodes_.find(number);
    return it == nodes_.end() ? 0 : it->second->requests.load();
}

}  // namespace udare::mocked
