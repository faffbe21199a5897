#pragma once

#include "platform/alerts.h"
#include "platform/serviceconfig.h"

#include <bitset>

// Stands before every command that asks a web service: a service whose key
// is not set gets no request. Each refusal writes a log line; the user is
// told once per run and service which environment variable or settings key
// to set, and where the README says more.
class ServiceKeyCheck {
public:
    // Whether `service` has a key; without one, logs and (the first time) alerts.
    bool keyIsSet(platform::Service service);

    // The alert for a service without a key: the service's name, the
    // environment variable, the settings key and the settings file.
    static platform::Alert missingKeyAlert(platform::Service service);

private:
    std::bitset<platform::kServiceCount> m_told;
};
