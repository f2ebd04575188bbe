#include "RealtimeInfo.h"

#include "ReportScan.h"
#include <collectors/Collectors.h>
#include <cwchar>
#include <exception>
#include <hwlib/ReadingText.h>
#include <res/Resource.h>
#include <win32/Kernel.h>
#include <win32/User.h>

using OpenHardwareMonitor::Hardware::HardwareType;
using OpenHardwareMonitor::Hardware::IHardware;
using OpenHardwareMonitor::Hardware::ISensor;
using OpenHardwareMonitor::Hardware::SensorType;

DWORD WINAPI GetRealtimeInfo(LPVOID inHwnd) {
    const HWND hwnd = static_cast<HWND>(inHwnd);
    _tagRealtimeInfo info;
    try {
        RealtimeInfoSetUp(info);
    } catch (const std::exception&) {
        return 0; // a library that cannot be opened shows nothing
    }
    for (;;)
        RealtimeInfoPass(hwnd, info, 1000);
}

void RealtimeInfoSetUp(_tagRealtimeInfo& info) {
    info.computer.Open();
    info.computer.CPUEnabled(true);
    info.computer.FanControllerEnabled(true);
    info.computer.GPUEnabled(true);
    info.computer.HDDEnabled(true);
    info.computer.MainboardEnabled(true);
    info.computer.RAMEnabled(true);
    info.nPass = 0;
}

void RealtimeInfoPass(HWND inHwnd, _tagRealtimeInfo& info, DWORD dwPause) {
    for (std::size_t i = 0; i < info.computer.Hardware().size(); ++i) {
        // A library call that fails skips its item for this pass. Only the
        // library's own errors are caught: the layer's thread stop must pass.
        try {
            IHardware* pItem = info.computer.Hardware()[i];
            RealtimeInfoItem(inHwnd, *pItem, info);
        } catch (const std::exception&) {
            info.strPanel.Empty();
        }
    }
    info.strPanel.Empty();
    info.strAmount.Empty();
    Sleep(dwPause);
    ++info.nPass;
}

void RealtimeInfoItem(HWND inHwnd, IHardware& item, _tagRealtimeInfo& info) {
    item.Update();
    const HardwareType type = item.HardwareType();
    if (type == HardwareType::Cpu) {
        ProcessorText(item, info);
        SetDlgItemTextW(inHwnd, IDC_CPU, info.strPanel);
        info.strPanel.Empty();
    } else if (type == HardwareType::GpuFamilyB || type == HardwareType::GpuFamilyA) {
        GraphicsText(item, info);
        SetDlgItemTextW(inHwnd, IDC_GPU, info.strPanel);
        info.strPanel.Empty();
    } else if (type == HardwareType::Drive) {
        DriveText(item, info);
        SetDlgItemTextW(inHwnd, IDC_HDD, info.strPanel);
        info.strPanel.Empty();
        // Due in the first pass and then every 60th; the refresh sets the
        // counter back to 1, so later drives of the same pass are skipped.
        if (info.nPass == 0 || info.nPass > 60) {
            DriveHealthText(item, info);
            SetDlgItemTextW(inHwnd, IDC_SMART, info.strPanel);
            info.strPanel.Empty();
            info.nPass = 1;
        }
    } else if (type == HardwareType::Mainboard) {
        MainboardText(item, info);
        SetDlgItemTextW(inHwnd, IDC_MAINBOARD, info.strPanel);
        info.strPanel.Empty();
    } else if (type == HardwareType::Memory) {
        MemoryText(item, info);
        SetDlgItemTextW(inHwnd, IDC_MEM, info.strPanel);
        info.strPanel.Empty();
    }
}

namespace {

_tagCoreRow& CoreRow(_tagRealtimeInfo& info, std::size_t nRow) {
    // Growing rather than dropping keeps the processor's total, its last
    // percentage sensor, in the row labelled "CPU" on machines with more
    // than eight cores.
    if (nRow >= info.arrCore.size())
        info.arrCore.resize(nRow + 1);
    return info.arrCore[nRow];
}

} // namespace

void ProcessorText(IHardware& item, _tagRealtimeInfo& info) {
    info.strPanel += CString(item.Name());
    info.strPanel += L"\n\n";
    std::size_t nLoadRow = 0;
    std::size_t nTempRow = 0;
    std::size_t k = 0;
    for (const ISensor* pSensor : item.Sensors()) {
        if (pSensor->SensorType() == SensorType::Temperature) {
            CoreRow(info, nTempRow).strTemp = SensorText(*pSensor);
            ++nTempRow;
        } else if (pSensor->SensorType() == SensorType::Load) {
            CoreRow(info, nLoadRow).strLoad.Format(L"%d", WholePercent(*pSensor));
            ++nLoadRow;
            ++k;
        }
    }
    for (std::size_t r = 0; r < k; ++r) {
        const _tagCoreRow& row = info.arrCore[r];
        if (r < k - 1) {
            info.strScratch.Format(L"%d", static_cast<int>(r + 1));
            info.strPanel += info.strScratch;
            info.strPanel += L"#\t";
            info.strPanel += row.strLoad;
            info.strPanel += L"%\t";
            info.strPanel += row.strTemp;
            info.strPanel += L"℃\n";
        } else {
            info.strPanel += L"CPU\t";
            info.strPanel += row.strLoad;
            info.strPanel += L"%\t";
        }
    }
}

void GraphicsText(IHardware& item, _tagRealtimeInfo& info) {
    info.strPanel += CString(item.Name());
    info.strPanel += L"\n\n";
    for (const ISensor* pSensor : item.Sensors()) {
        if (pSensor->SensorType() == SensorType::Temperature) {
            info.strPanel += CString(pSensor->Name());
            info.strPanel += L"\t";
            info.strPanel += SensorText(*pSensor);
            info.strPanel += L"℃\n";
        } else if (pSensor->SensorType() == SensorType::Load) {
            info.strPanel += CString(pSensor->Name());
            info.strPanel += L"\t";
            info.strScratch.Format(L"%d", WholePercent(*pSensor));
            info.strPanel += info.strScratch;
            info.strPanel += L"%\n";
        }
    }
}

void DriveText(IHardware& item, _tagRealtimeInfo& info) {
    info.strPanel += L"硬盘  ";
    info.strPanel += CString(item.Name());
    info.strPanel += L"\n";
    for (const ISensor* pSensor : item.Sensors()) {
        if (pSensor->SensorType() == SensorType::Temperature) {
            info.strPanel += L"温度\t";
            info.strPanel += SensorText(*pSensor);
            info.strPanel += L"℃\n";
        } else if (pSensor->SensorType() == SensorType::Load) {
            info.strPanel += L"已用\t";
            info.strScratch.Format(L"%d", WholePercent(*pSensor));
            info.strPanel += info.strScratch;
            info.strPanel += L"%";
        }
    }
}

void DriveHealthText(IHardware& item, _tagRealtimeInfo& info) {
    info.strScratch = CString(item.GetReport());
    info.strPanel += L"重启  ";
    info.strPanel += ReportScan(info.strScratch, kStartStopCount);
    info.strPanel += L"次\n";
    info.strPanel += L"通电时间 ";
    info.strPanel += ReportScan(info.strScratch, kPowerOnHours);
    info.strPanel += L"小时\n";
}

void MainboardText(IHardware& item, _tagRealtimeInfo& info) {
    info.strPanel += CString(item.Name());
    info.strScratch = CString(item.GetReport());
    info.strPanel += L"\n";
    info.strPanel += ReportScan(info.strScratch, kMainboardManufacturer);
    info.strPanel += L"\n\n";
    for (const ISensor* pSensor : item.Sensors()) {
        if (pSensor->SensorType() == SensorType::Temperature) {
            info.strPanel += CString(pSensor->Name());
            info.strPanel += L"\t";
            info.strPanel += SensorText(*pSensor);
            info.strPanel += L"℃\n";
        } else if (pSensor->SensorType() == SensorType::Fan) {
            info.strPanel += CString(pSensor->Name());
            info.strPanel += L"\t";
            info.strPanel += SensorText(*pSensor);
            info.strPanel += L"RPM\n";
        }
    }
}

void MemoryText(IHardware& item, _tagRealtimeInfo& info) {
    info.strPanel += L"内存  ";
    info.strPanel += L"\n";
    for (const ISensor* pSensor : item.Sensors()) {
        if (pSensor->SensorType() == SensorType::Data) {
            // A point as separator whatever the user's settings.
            info.strScratch.Format(L"%.1f", static_cast<double>(pSensor->Value().value_or(0.0f)));
            info.strAmount += info.strScratch;
            info.strAmount += L"G ";
        } else if (pSensor->SensorType() == SensorType::Load) {
            info.strPanel += L"已用\t";
            info.strScratch.Format(L"%d", WholePercent(*pSensor));
            info.strPanel += info.strScratch;
            info.strPanel += L"%\n";
        }
    }
    info.strPanel += L"已用/剩余  ";
    info.strPanel += info.strAmount;
}

CString SensorText(const ISensor& sensor) {
    return CString(OpenHardwareMonitor::Hardware::ReadingText(sensor.Value()));
}

int WholePercent(const ISensor& sensor) {
    const CString strText = SensorText(sensor);
    return static_cast<int>(std::wcstol(strText.GetString(), nullptr, 10));
}
