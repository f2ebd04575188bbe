#pragma once

// The hardware-monitor collector: its working state, one pass, and the
// handling of each kind of hardware item.

#include <hwlib/Computer.h>
#include <hwlib/IHardware.h>
#include <hwlib/ISensor.h>
#include <mfc/String.h>
#include <vector>
#include <win32/Types.h>

// One row of the processor panel: a core's whole load and its temperature.
struct _tagCoreRow {
    CString strLoad;
    CString strTemp;
};

inline constexpr int kCoreRows = 8;

// The thread's working state; no other thread reads or writes it.
struct _tagRealtimeInfo {
    OpenHardwareMonitor::Hardware::Computer computer;
    CString strPanel;   // the panel being built; empty when an item's handling begins
    CString strScratch; // one formatted number, or one item's report
    CString strAmount;  // the memory amounts of the current pass
    // Starts with kCoreRows empty rows and grows for a processor with more
    // sensors of one kind; never cleared.
    std::vector<_tagCoreRow> arrCore = std::vector<_tagCoreRow>(kCoreRows);
    int nPass = 0; // decides when the drive-health refresh is due
};

// Opens the library, enables the six groups and sets the pass counter to 0.
void RealtimeInfoSetUp(_tagRealtimeInfo& info);

// One pass: every item refreshed and shown, the panel and amount texts
// emptied, the pause of dwPause ms, the pass counter counted up.
void RealtimeInfoPass(HWND inHwnd, _tagRealtimeInfo& info, DWORD dwPause);

// Refreshes one item and writes its panels by its hardware type.
void RealtimeInfoItem(HWND inHwnd, OpenHardwareMonitor::Hardware::IHardware& item,
                      _tagRealtimeInfo& info);

// The panel texts, built in info.strPanel.
void ProcessorText(OpenHardwareMonitor::Hardware::IHardware& item, _tagRealtimeInfo& info);
void GraphicsText(OpenHardwareMonitor::Hardware::IHardware& item, _tagRealtimeInfo& info);
void DriveText(OpenHardwareMonitor::Hardware::IHardware& item, _tagRealtimeInfo& info);
void DriveHealthText(OpenHardwareMonitor::Hardware::IHardware& item, _tagRealtimeInfo& info);
void MainboardText(OpenHardwareMonitor::Hardware::IHardware& item, _tagRealtimeInfo& info);
void MemoryText(OpenHardwareMonitor::Hardware::IHardware& item, _tagRealtimeInfo& info);

// A reading as the library writes it: empty without a value, the user's
// decimal separator.
CString SensorText(const OpenHardwareMonitor::Hardware::ISensor& sensor);
// The leading integer of the reading text: 12.9 shows 12, no value 0.
int WholePercent(const OpenHardwareMonitor::Hardware::ISensor& sensor);
