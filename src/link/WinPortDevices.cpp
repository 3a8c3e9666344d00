#include "link/PortDevices.h"

#include <windows.h>
// After windows.h:
#include <devguid.h>
#include <setupapi.h>

namespace korvel {

namespace {

std::string utf8(const wchar_t* text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(size) - 1);
    return out;
}

std::string friendlyName(HDEVINFO set, SP_DEVINFO_DATA& device)
{
    wchar_t buffer[256] = {};
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, nullptr,
                                             reinterpret_cast<BYTE*>(buffer),
                                             sizeof(buffer) - sizeof(wchar_t), nullptr))
        return {};
    return utf8(buffer);
}

// The "PortName" value of the device's hardware key: "COM5".
std::string portName(HDEVINFO set, SP_DEVINFO_DATA& device)
{
    const HKEY key =
        ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    wchar_t buffer[64] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    const LONG status = ::RegQueryValueExW(key, L"PortName", nullptr, &type,
                                           reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? utf8(buffer) : std::string();
}

class SetupApiPortDevices : public PortDeviceSource
{
public:
    std::vector<PortDevice> devices() const override
    {
        std::vector<PortDevice> out;
        const HDEVINFO set =
            ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
        if (set == INVALID_HANDLE_VALUE)
            return out;
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof(device);
        for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &device); ++i)
            out.push_back({portName(set, device), friendlyName(set, device)});
        ::SetupDiDestroyDeviceInfoList(set);
        return out;
    }
};

} // namespace

std::unique_ptr<PortDeviceSource> systemPortDevices()
{
    return std::make_unique<SetupApiPortDevices>();
}

} // namespace korvel
