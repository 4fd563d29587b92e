// Device removal against Wine's setup API: devices are registered the way the system keeps
// them (Enum\USB\<id>\<instance> with HardwareID and ClassGUID) and none is plugged in.
#include <gtest/gtest.h>

#include <windows.h>
#include <setupapi.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "common/maintenance/device_enum_step.h"
#include "common/maintenance/remove_devices_by_hardware_id.h"

namespace kyr {
namespace {

const char kEnumUsb[] = "SYSTEM\\CurrentControlSet\\Enum\\USB";
const char kPrinterId[] = "USB\\Vid_7a31&Pid_5e20";

struct Device {
    const char* deviceKey;  // below Enum\USB
    const char* instance;
    std::vector<std::string> hardwareIds;
};

std::string InstanceKey(const Device& d) {
    return std::string(kEnumUsb) + "\\" + d.deviceKey + "\\" + d.instance;
}

void Register(const Device& d) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, InstanceKey(d).c_str(), 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    std::string multi;
    for (const std::string& id : d.hardwareIds) multi += id + '\0';
    multi += '\0';
    RegSetValueExA(key, "HardwareID", 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(multi.data()), static_cast<DWORD>(multi.size()));
    const char guid[] = "{36fc9e60-c465-11cf-8056-444553540000}";
    RegSetValueExA(key, "ClassGUID", 0, REG_SZ, reinterpret_cast<const BYTE*>(guid), sizeof guid);
    RegCloseKey(key);
}

bool Registered(const Device& d) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, InstanceKey(d).c_str(), 0, KEY_READ, &key) != 0)
        return false;
    RegCloseKey(key);
    return true;
}

const Device kDevices[] = {
    {"Vid_7a31&Pid_5e20", "KYRTEST1", {"USB\\Vid_7a31&Pid_5e20"}},
    // Right after the one before in the list: a removal must not make the walk skip it.
    {"Vid_7a31&Pid_5e20", "KYRTEST1B", {"USB\\VID_7A31&PID_5E20"}},
    {"VID_7A31&PID_5E20&REV_0100", "KYRTEST2", {"usb\\vid_7A31&pid_5E20&rev_0100", "USB\\X"}},
    {"Vid_1111&Pid_2222", "KYRTEST3", {"USB\\Vid_1111&Pid_2222", "USB\\Vid_7a31&Pid_5e20"}},
    {"Vid_7a31&Pid_5e21", "KYRTEST4", {"USB\\Vid_7a31&Pid_5e21"}},
    // The id list does not fit the 100-byte property buffer: skipped although it matches.
    {"Vid_7a31&Pid_5e20&Long", "KYRTEST5",
     {"USB\\Vid_7a31&Pid_5e20&Rev_0001", std::string(90, 'L')}},
};
const bool kRemoved[] = {true, true, true, false, false, false};

class DevicesTest : public ::testing::Test {
protected:
    void SetUp() override { Cleanup(); }
    void TearDown() override { Cleanup(); }
    static void Cleanup() {
        for (const Device& d : kDevices) {
            SHDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kEnumUsb) + "\\" + d.deviceKey).c_str());
        }
    }
};

TEST_F(DevicesTest, NothingToRemoveStillEndsNormally) {
    EXPECT_TRUE(RemoveDevicesByHardwareId(kPrinterId));
}

TEST_F(DevicesTest, OnlyDevicesWhoseFirstIdMatchesGoAllInOneCall) {
    for (const Device& d : kDevices) Register(d);
    for (const Device& d : kDevices) ASSERT_TRUE(Registered(d)) << d.instance;

    EXPECT_TRUE(RemoveDevicesByHardwareId(kPrinterId));

    for (size_t i = 0; i < sizeof kDevices / sizeof kDevices[0]; ++i) {
        EXPECT_EQ(kRemoved[i], !Registered(kDevices[i])) << kDevices[i].instance;
    }
}

TEST_F(DevicesTest, AnIdThatDoesNotFitRemovesNothing) {
    for (const Device& d : kDevices) Register(d);
    std::string tooLong = std::string(kPrinterId) + std::string(29, 'x');  // 50 characters
    EXPECT_FALSE(RemoveDevicesByHardwareId(tooLong.c_str()));
    EXPECT_FALSE(RemoveDevicesByHardwareId(nullptr));
    for (const Device& d : kDevices) EXPECT_TRUE(Registered(d)) << d.instance;
    // 49 characters still fit, and only the first 21 of them count.
    std::string longest = std::string(kPrinterId) + std::string(28, 'x');
    EXPECT_TRUE(RemoveDevicesByHardwareId(longest.c_str()));
    EXPECT_FALSE(Registered(kDevices[0]));
}

// Counts the calls that reach the platform's enumeration step.
int g_enumCalls = 0;
BOOL WINAPI CountingEnum(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA data) {
    ++g_enumCalls;
    return SetupDiEnumDeviceInfo(set, index, data);
}

TEST(DeviceEnumStep, AStepThatKeepsFailingIsGivenUpAfterAFewAttempts) {
    SP_DEVINFO_DATA data;
    g_enumCalls = 0;
    // A list handle the system does not know fails every time, and never with "no more".
    HDEVINFO stale = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, stale);
    ASSERT_TRUE(SetupDiDestroyDeviceInfoList(stale));
    EXPECT_EQ(EnumStep::kFailed, EnumDeviceStep(CountingEnum, stale, 0, &data));
    EXPECT_EQ(kEnumStepAttempts, g_enumCalls);
    EXPECT_NE(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
}

TEST(DeviceEnumStep, TheEndOfTheListIsNotRetried) {
    SP_DEVINFO_DATA data;
    g_enumCalls = 0;
    HDEVINFO empty = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, empty);
    data.cbSize = 0;  // the step sets the size itself
    EXPECT_EQ(EnumStep::kNoMoreItems, EnumDeviceStep(CountingEnum, empty, 0, &data));
    EXPECT_EQ(1, g_enumCalls);
    SetupDiDestroyDeviceInfoList(empty);
}

}  // namespace
}  // namespace kyr
