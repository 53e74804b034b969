// What every operation and the inbound dispatcher act on.
#pragma once

#include "protocol/device_state.h"
#include "protocol/host.h"
#include "protocol/report.h"

namespace udare {

struct UpgradeHooks;  // upgrade transfer state the dispatcher feeds (upgrade/upgrade_hooks.h)

struct Ctx {
    DeviceState& st;
    ReportSink& out;       // the link (drops reports while not connected)
    Clock& clock;          // every wait inside an operation goes through it
    LogSink& log;
    Notifier& notifier;
    Prompter& prompter;
    UpgradeHooks* upgrade = nullptr;
};

}  // namespace udare
