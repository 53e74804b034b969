#include "shell/session.h"

#include <cstdio>

namespace udare::shell {

void StderrLog::log(std::string_view line) {
    if (!enabled_) return;
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

Session::Session(SessionOptions options)
    : options_(std::move(options)), log_(options_.debug) {}

Session::~Session() { closeDevice(); }

bool Session::connected() const { return false; }

int Session::upgradeMode() const { return 0; }

void Session::closeDevice() {}

bool Session::saveModeFile(const QString&, QString* error) {
    if (error) *error = QString::fromUtf8("保存文件失败!");
    return false;
}

QStringList Session::splitSimulateOptions(const QString& value) {
    QStringList out;
    for (const QString& part : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString t = part.trimmed();
        if (!t.isEmpty()) out << t;
    }
    return out;
}

}  // namespace udare::shell
