#include "SmartReport.h"

#include "Json.h"
#include "Report.h"

#include <utility>

namespace hwlib {

namespace {

using OpenHardwareMonitor::Hardware::ProgramResult;

std::string Unavailable(std::string_view why) {
    std::string out;
    AppendLine(out, "S.M.A.R.T. values not available: " + std::string(why));
    return out;
}

std::string AtaName(long long id, const Json* smartctlName) {
    static const std::pair<int, const char*> kNames[] = {
        {1, "Read Error Rate"},
        {3, "Spin-Up Time"},
        {4, "Start/Stop Count"},
        {5, "Reallocated Sectors Count"},
        {7, "Seek Error Rate"},
        {9, "Power-On Hours (POH)"},
        {10, "Spin Retry Count"},
        {12, "Power Cycle Count"},
        {190, "Airflow Temperature"},
        {194, "Temperature"},
        {196, "Reallocation Event Count"},
        {197, "Current Pending Sector Count"},
        {198, "Uncorrectable Sector Count"},
        {199, "UltraDMA CRC Error Count"},
    };
    for (const auto& [known, name] : kNames) {
        if (known == id)
            return name;
    }
    std::string name = smartctlName ? smartctlName->Text() : "Unknown Attribute";
    for (char& c : name) {
        if (c == '_')
            c = ' ';
    }
    return Printable(name);
}

// The leading count of a raw value ("1234", "5678h+12m+03.123s", "38 (Min/Max 20/45)").
std::string RawText(const Json* raw) {
    if (!raw)
        return "-";
    if (const Json* text = raw->Find("string")) {
        std::string digits;
        for (char c : text->Text()) {
            if (c < '0' || c > '9')
                break;
            digits.push_back(c);
        }
        if (!digits.empty())
            return digits;
    }
    if (const Json* value = raw->Find("value"); value && value->IsNumber())
        return value->Text();
    return "-";
}

std::string NumberText(const Json* value) {
    return value && value->IsNumber() ? value->Text() : std::string("-");
}

std::string Row(std::string_view id, std::string_view label, std::string_view value,
                std::string_view rest) {
    return " " + PadColumn(id, 4) + PadColumn(label, kSmartValueColumn) + std::string(value) + " " +
           std::string(rest);
}

void AtaTable(std::string& out, const Json& table) {
    AppendLine(out, Row("ID", "Attribute", "Raw Value", " Value  Worst  Threshold"));
    for (const Json& attribute : table.Items()) {
        const auto id = attribute.Find("id") ? attribute.Find("id")->Integer() : std::nullopt;
        if (!id)
            continue;
        std::string rest = " " + PadColumn(NumberText(attribute.Find("value")), 7) +
                           PadColumn(NumberText(attribute.Find("worst")), 7) +
                           NumberText(attribute.Find("thresh"));
        AppendLine(out, Row(std::to_string(*id), AtaName(*id, attribute.Find("name")),
                            RawText(attribute.Find("raw")), rest));
    }
}

void NvmeTable(std::string& out, const Json& log) {
    // Power cycles and power-on hours take the attribute names that callers
    // look for, so that both kinds of drive read alike.
    static const std::pair<const char*, const char*> kFields[] = {
        {"critical_warning", "Critical Warning"},
        {"temperature", "Temperature"},
        {"available_spare", "Available Spare"},
        {"available_spare_threshold", "Available Spare Threshold"},
        {"percentage_used", "Percentage Used"},
        {"data_units_read", "Data Units Read"},
        {"data_units_written", "Data Units Written"},
        {"host_reads", "Host Read Commands"},
        {"host_writes", "Host Write Commands"},
        {"controller_busy_time", "Controller Busy Time"},
        {"power_cycles", "Start/Stop Count"},
        {"power_on_hours", "Power-On Hours (POH)"},
        {"unsafe_shutdowns", "Unsafe Shutdowns"},
        {"media_errors", "Media Errors"},
        {"num_err_log_entries", "Error Log Entries"},
    };
    AppendLine(out, Row("", "Health Information", "Value", "(field)"));
    for (const auto& [key, label] : kFields) {
        const Json* value = log.Find(key);
        if (!value || !value->IsNumber())
            continue;
        AppendLine(out, Row("", label, value->Text(), "(" + std::string(key) + ")"));
    }
}

std::string FirstError(const Json& document) {
    const Json* smartctl = document.Find("smartctl");
    const Json* messages = smartctl ? smartctl->Find("messages") : nullptr;
    if (messages) {
        for (const Json& message : messages->Items()) {
            if (const Json* text = message.Find("string"))
                return Printable(text->Text());
        }
    }
    return {};
}

} // namespace

std::string SmartSection(const ProgramResult& run) {
    switch (run.status) {
    case ProgramResult::Status::NotFound:
        return Unavailable("smartctl is not installed");
    case ProgramResult::Status::TimedOut:
        return Unavailable("smartctl did not answer in time");
    case ProgramResult::Status::TooMuchOutput:
        return Unavailable("smartctl wrote more output than expected");
    case ProgramResult::Status::Failed:
        return Unavailable("smartctl could not be run");
    case ProgramResult::Status::Exited:
        break;
    }
    const auto document = Json::Parse(run.output);
    if (!document || document->kind() != Json::Kind::Object)
        return Unavailable("smartctl's output could not be read (exit status " +
                           std::to_string(run.exitCode) + ")");
    // Bits 0 and 1 of the status: bad command line, or the device could
    // not be opened (commonly: not running as root).
    if (run.exitCode & 3) {
        std::string why = FirstError(*document);
        return Unavailable(why.empty() ? "smartctl could not open the device (exit status " +
                                             std::to_string(run.exitCode) + ")"
                                       : why);
    }

    std::string out;
    AppendLine(out, "S.M.A.R.T.");
    if (const Json* model = document->Find("model_name"))
        AppendLine(out, "Model: " + Printable(model->Text()));
    if (const Json* serial = document->Find("serial_number"))
        AppendLine(out, "Serial Number: " + Printable(serial->Text()));
    if (const Json* firmware = document->Find("firmware_version"))
        AppendLine(out, "Firmware: " + Printable(firmware->Text()));
    if (const Json* status = document->Find("smart_status")) {
        if (const Json* passed = status->Find("passed");
            passed && passed->kind() == Json::Kind::Bool)
            AppendLine(out, std::string("Health: ") + (passed->Bool() ? "PASSED" : "FAILED"));
    }
    AppendLine(out, "");
    const Json* ata = document->Find("ata_smart_attributes");
    const Json* table = ata ? ata->Find("table") : nullptr;
    const Json* nvme = document->Find("nvme_smart_health_information_log");
    if (table && table->kind() == Json::Kind::Array)
        AtaTable(out, *table);
    else if (nvme && nvme->kind() == Json::Kind::Object)
        NvmeTable(out, *nvme);
    else
        AppendLine(out, "S.M.A.R.T. values not available: the drive reported no attributes");
    return out;
}

} // namespace hwlib
