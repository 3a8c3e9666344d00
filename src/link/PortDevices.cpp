#include "link/PortDevices.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace korvel {

namespace {

std::string upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The port number of "COMn" (any case), or 0 when the name is no COM port.
int comNumber(const std::string& name)
{
    const std::string u = upper(name);
    if (u.size() < 4 || u.compare(0, 3, "COM") != 0)
        return 0;
    int n = 0;
    for (std::size_t i = 3; i < u.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(u[i])) || n > 100000)
            return 0;
        n = n * 10 + (u[i] - '0');
    }
    return n;
}

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The port a friendly name ends with ("... (COM5)"), and the name without it.
std::pair<int, std::string> splitFriendlyName(const std::string& friendly)
{
    const std::string t = trimmed(friendly);
    const auto open = t.rfind('(');
    if (t.empty() || t.back() != ')' || open == std::string::npos)
        return {0, t};
    const int n = comNumber(trimmed(t.substr(open + 1, t.size() - open - 2)));
    if (n == 0)
        return {0, t};
    return {n, trimmed(t.substr(0, open))};
}

} // namespace

std::vector<ComPortInfo> describeComPorts(const std::vector<std::string>& probed,
                                          const PortDeviceSource& system)
{
    std::map<int, std::string> ports; // number → description
    for (const std::string& name : probed) {
        if (const int n = comNumber(name))
            ports.try_emplace(n);
    }
    for (const PortDevice& device : system.devices()) {
        auto [n, description] = splitFriendlyName(device.friendlyName);
        // The registry's port name is the device's own; the friendly name's only says it again.
        if (!device.portName.empty())
            n = comNumber(trimmed(device.portName));
        if (n == 0)
            continue; // LPTn and the like, or a device that names no port
        std::string& known = ports[n];
        if (known.empty())
            known = description;
    }
    std::vector<ComPortInfo> list;
    for (const auto& [n, description] : ports)
        list.push_back({"COM" + std::to_string(n), description});
    return list;
}

} // namespace korvel
