#include "link/hidraw_backend.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace udare {

// ---- HidrawDevice ----

namespace {

// HID_ID=bus:vendor:product, all hex.
bool parseHidId(const char* id, uint16_t& vendorId, uint16_t& productId) {
    unsigned bus = 0, vid = 0, pid = 0;
    if (!id || std::sscanf(id, "%x:%x:%x", &bus, &vid, &pid) != 3) return false;
    vendorId = static_cast<uint16_t>(vid);
    productId = static_cast<uint16_t>(pid);
    return true;
}

// The ids the hid device above a hidraw node carries, found through the
// node's device number.
bool idsFromHidParent(const std::string& path, uint16_t& vendorId, uint16_t& productId) {
    struct stat st {};
    if (::stat(path.c_str(), &st) < 0 || !S_ISCHR(st.st_mode)) return false;
    udev* u = udev_new();
    if (!u) return false;
    bool found = false;
    if (udev_device* dev = udev_device_new_from_devnum(u, 'c', st.st_rdev)) {
        const char* subsystem = udev_device_get_subsystem(dev);
        udev_device* hid = udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr);
        if (subsystem && std::strcmp(subsystem, "hidraw") == 0 && hid)
            found = parseHidId(udev_device_get_property_value(hid, "HID_ID"), vendorId, productId);
        udev_device_unref(dev);
    }
    udev_unref(u);
    return found;
}

}  // namespace

std::unique_ptr<HidrawDevice> HidrawDevice::open(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return nullptr;
    int cfd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (cfd < 0) {
        int e = errno;
        ::close(fd);
        errno = e;
        return nullptr;
    }
    return std::unique_ptr<HidrawDevice>(new HidrawDevice(path, fd, cfd));
}

HidrawDevice::~HidrawDevice() {
    ::close(fd_);
    ::close(cancelFd_);
}

int HidrawDevice::read(uint8_t* buf, size_t capacity, int timeoutMs) {
    if (cancelled_.load()) return -1;
    pollfd fds[2] = {{fd_, POLLIN, 0}, {cancelFd_, POLLIN, 0}};
    int r = ::poll(fds, 2, timeoutMs < 0 ? -1 : timeoutMs);
    if (r < 0) return errno == EINTR ? 0 : -1;
    if (r == 0) return 0;
    if (fds[1].revents || cancelled_.load()) return -1;
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return -1;  // unplugged
    if (!(fds[0].revents & POLLIN)) return 0;
    ssize_t n = ::read(fd_, buf, capacity);
    if (n < 0) return (errno == EINTR || errno == EAGAIN) ? 0 : -1;
    return static_cast<int>(n);
}

int HidrawDevice::write(const uint8_t* data, size_t len) {
    for (;;) {
        ssize_t n = ::write(fd_, data, len);
        if (n >= 0) return static_cast<int>(n);
        if (errno != EINTR) return -1;
    }
}

bool HidrawDevice::attributes(uint16_t& vendorId, uint16_t& productId) {
    hidraw_devinfo info{};
    if (::ioctl(fd_, HIDIOCGRAWINFO, &info) == 0) {
        vendorId = static_cast<uint16_t>(info.vendor);
        productId = static_cast<uint16_t>(info.product);
        return true;
    }
    if (errno != ENOTTY && errno != EINVAL) return false;
    return idsFromHidParent(path_, vendorId, productId);
}

void HidrawDevice::cancel() {
    cancelled_ = true;
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(cancelFd_, &one, sizeof one);
}

// ---- enumeration ----

namespace {

uint16_t hexAttr(udev_device* d, const char* name) {
    const char* v = udev_device_get_sysattr_value(d, name);
    return v ? static_cast<uint16_t>(std::strtoul(v, nullptr, 16)) : 0;
}

std::string strAttr(udev_device* d, const char* name) {
    const char* v = udev_device_get_sysattr_value(d, name);
    return v ? std::string(v) : std::string();
}

// The number of /dev/hidrawN, for a stable order (hidraw10 after hidraw9).
long nodeNumber(const std::string& path) {
    size_t i = path.size();
    while (i > 0 && path[i - 1] >= '0' && path[i - 1] <= '9') --i;
    return i < path.size() ? std::strtol(path.c_str() + i, nullptr, 10) : -1;
}

// Fills an interface description from a hidraw udev device.
bool describe(udev_device* dev, HidInterfaceInfo& info) {
    const char* node = udev_device_get_devnode(dev);
    if (!node) return false;
    info = HidInterfaceInfo{};
    info.path = node;
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device")) {
        info.vendorId = hexAttr(usb, "idVendor");
        info.productId = hexAttr(usb, "idProduct");
        info.releaseNumber = hexAttr(usb, "bcdDevice");
        info.manufacturer = strAttr(usb, "manufacturer");
        info.product = strAttr(usb, "product");
    } else if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr)) {
        parseHidId(udev_device_get_property_value(hid, "HID_ID"), info.vendorId, info.productId);
        // HID_NAME is the product string.
        if (const char* name = udev_device_get_property_value(hid, "HID_NAME")) info.product = name;
    }
    info.active = true;
    return true;
}

}  // namespace

std::vector<HidInterfaceInfo> HidrawBackend::enumerate(bool* ok) {
    std::vector<HidInterfaceInfo> list;
    if (ok) *ok = false;
    // A context of its own: libudev objects are not shared between threads.
    udev* u = udev_new();
    if (!u) return list;
    udev_enumerate* en = udev_enumerate_new(u);
    if (!en || udev_enumerate_add_match_subsystem(en, "hidraw") < 0 ||
        udev_enumerate_scan_devices(en) < 0) {
        if (en) udev_enumerate_unref(en);
        udev_unref(u);
        return list;
    }
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(en)) {
        udev_device* dev = udev_device_new_from_syspath(u, udev_list_entry_get_name(entry));
        if (!dev) continue;
        HidInterfaceInfo info;
        if (describe(dev, info)) list.push_back(std::move(info));
        udev_device_unref(dev);
    }
    udev_enumerate_unref(en);
    udev_unref(u);
    std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
        return nodeNumber(a.path) < nodeNumber(b.path);
    });
    {
        std::lock_guard<std::mutex> l(m_);
        for (const auto& i : list) known_[i.path] = i;
    }
    if (ok) *ok = true;
    return list;
}

std::unique_ptr<HidDevice> HidrawBackend::open(const std::string& path) {
    return HidrawDevice::open(path);
}

bool HidrawBackend::knownInterface(const std::string& path, HidInterfaceInfo* out) const {
    std::lock_guard<std::mutex> l(m_);
    auto it = known_.find(path);
    if (it == known_.end()) return false;
    if (out) *out = it->second;
    return true;
}

// ---- hot-plug monitor ----

HidrawBackend::~HidrawBackend() { stopMonitor(); }

bool HidrawBackend::startMonitor(HotplugListener* listener) {
    if (std::this_thread::get_id() == monitorId_.load()) {
        // From a listener (an arrival that connects): the thread is running,
        // and stopMonitor may be joining it while holding controlMutex_.
        std::lock_guard<std::mutex> l(m_);
        listener_ = listener;
        return true;
    }
    std::lock_guard<std::mutex> control(controlMutex_);
    {
        std::lock_guard<std::mutex> l(m_);
        listener_ = listener;
    }
    if (monitor_.joinable() && !monitorEnded_.load()) return true;
    if (monitor_.joinable()) joinMonitor();  // stopped from a listener earlier

    udev* u = udev_new();
    if (!u) return false;
    udev_monitor* mon = udev_monitor_new_from_netlink(u, "udev");
    if (!mon || udev_monitor_filter_add_match_subsystem_devtype(mon, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(mon) < 0) {
        if (mon) udev_monitor_unref(mon);
        udev_unref(u);
        return false;
    }
    int stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd < 0) {
        udev_monitor_unref(mon);
        udev_unref(u);
        return false;
    }
    udev_ = u;
    monitorHandle_ = mon;
    stopFd_ = stopFd;
    monitorEnded_ = false;
    monitor_ = std::thread([this, mon, stopFd] {
        monitorId_ = std::this_thread::get_id();
        monitorLoop(mon, stopFd);
        monitorEnded_ = true;
    });
    return true;
}

void HidrawBackend::stopMonitor() {
    if (std::this_thread::get_id() == monitorId_.load()) {
        // From a listener: it cannot join itself. It ends after this call;
        // the next start or the destructor joins it.
        std::lock_guard<std::mutex> l(m_);
        listener_ = nullptr;
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(stopFd_, &one, sizeof one);
        return;
    }
    std::lock_guard<std::mutex> control(controlMutex_);
    {
        std::lock_guard<std::mutex> l(m_);
        listener_ = nullptr;
    }
    if (!monitor_.joinable()) return;
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(stopFd_, &one, sizeof one);
    joinMonitor();
}

void HidrawBackend::joinMonitor() {
    monitor_.join();
    monitorId_ = std::thread::id();
    udev_monitor_unref(static_cast<udev_monitor*>(monitorHandle_));
    udev_unref(static_cast<udev*>(udev_));
    ::close(stopFd_);
    monitorHandle_ = nullptr;
    udev_ = nullptr;
    stopFd_ = -1;
}

void HidrawBackend::monitorLoop(void* handle, int stopFd) {
    auto* mon = static_cast<udev_monitor*>(handle);
    pollfd fds[2] = {{udev_monitor_get_fd(mon), POLLIN, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
        int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        udev_device* dev = udev_monitor_receive_device(mon);
        if (!dev) continue;
        const char* action = udev_device_get_action(dev);
        const char* node = udev_device_get_devnode(dev);
        std::string path = node ? node : "";
        HotplugListener* listener = nullptr;
        bool arrived = false, removed = false;
        if (action && !path.empty()) {
            std::lock_guard<std::mutex> l(m_);
            if (std::strcmp(action, "add") == 0) {
                // Learn it now: on removal the parent's attributes are gone.
                HidInterfaceInfo info;
                if (describe(dev, info)) known_[path] = info;
                arrived = true;
            } else if (std::strcmp(action, "remove") == 0) {
                known_.erase(path);
                removed = true;
            }
            listener = listener_;
        }
        udev_device_unref(dev);
        // Called without our lock; stopMonitor joins this thread, so the
        // listener is never called after it has returned.
        if (listener && arrived) listener->deviceArrived(path);
        if (listener && removed) listener->deviceRemoved(path);
    }
}

}  // namespace udare
