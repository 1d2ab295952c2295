#include "alerting/ComputerLines.h"

#include "alerting/MetricsText.h"
#include "domain/DiskSpace.h"
#include "domain/ReportBytes.h"
#include "WireFormat.h"

#include <QVarLengthArray>

namespace server {
namespace {

using metrics::appendLabel;
using metrics::sample;

// One folder slot in use, its values as read.
struct Folder {
    QByteArrayView files;
    QByteArrayView limit;
    FolderCondition condition;
    QByteArray labels; // computer="NAME",slot="N",path="PATH"
};

// What every sample of one computer shares, its labels escaped once rather than once per line.
struct ComputerText {
    const MetricsRow& row;
    QByteArray labels; // computer="NAME"
    QVarLengthArray<Folder, wire::kSlotCount> folders;

    explicit ComputerText(const MetricsRow& computer) : row(computer) {
        appendLabel(labels, "computer", row.utf8Name);
        const QByteArrayView message = row.bytes(metricsKey::kMessage);
        for (int slot = 1; slot <= wire::kSlotCount; ++slot) {
            const QByteArrayView path = row.bytes(metricsKey::dir(slot));
            if (!reportBytes::folderInUse(path))
                continue;
            const QByteArrayView files = row.bytes(metricsKey::files(slot));
            const QByteArrayView limit = row.bytes(metricsKey::limit(slot));
            Folder& folder = folders.emplace_back(
                Folder{files, limit, reportBytes::folderCondition(path, files, limit, message), labels});
            appendLabel(folder.labels.append(','), "slot", QByteArray::number(slot));
            appendLabel(folder.labels.append(','), "path", path);
        }
    }

    // The computer's labels and one more.
    QByteArray with(const char* name, QByteArrayView utf8Value) const {
        QByteArray more = labels;
        appendLabel(more.append(','), name, utf8Value);
        return more;
    }
};

struct ComputerFamily {
    const char* name;
    const char* help;
    void (*write)(QByteArray& out, const char* name, const ComputerText& computer);
};

// A number the agent sent as text; text in letters beyond Latin-1 is no number either way.
void textNumber(QByteArray& out, const char* name, QByteArrayView labels, QByteArrayView utf8) {
    if (const auto number = reportBytes::plainDigits(utf8))
        sample(out, name, labels, double(*number));
    else
        metrics::textSample(out, name, labels, QString::fromUtf8(utf8).toLatin1());
}

void folderFiles(QByteArray& out, const char* name, const ComputerText& computer) {
    for (const Folder& folder : computer.folders)
        textNumber(out, name, folder.labels, folder.files);
}

void folderLimit(QByteArray& out, const char* name, const ComputerText& computer) {
    for (const Folder& folder : computer.folders)
        textNumber(out, name, folder.labels, folder.limit);
}

void folderState(QByteArray& out, const char* name, const ComputerText& computer) {
    for (const Folder& folder : computer.folders)
        sample(out, name, folder.labels, int(folder.condition));
}

// The figure as the page has always read it: trimmed, without the comma that reportedFreeBytes() allows.
std::optional<double> sentUnits(QByteArrayView space) {
    if (const auto digits = reportBytes::plainDigits(space))
        return double(*digits);
    bool isNumber = false;
    const double units = QByteArray::fromRawData(space.data(), space.size()).trimmed().toDouble(&isNumber);
    return isNumber ? std::optional(units) : std::nullopt;
}

// Agents send free space in units of 10,000 bytes.
void diskFree(QByteArray& out, const char* name, const ComputerText& computer) {
    for (int disk = 1; disk <= kReportedDisks; ++disk) {
        const QByteArrayView root = computer.row.bytes(metricsKey::disk(disk));
        const auto units = sentUnits(computer.row.bytes(metricsKey::diskSpace(disk)));
        if (!root.isEmpty() && units)
            sample(out, name, computer.with("disk", root), *units * 10000);
    }
}

void lastReport(QByteArray& out, const char* name, const ComputerText& computer) {
    sample(out, name, computer.labels, computer.row.lastReportSeconds);
}

void silent(QByteArray& out, const char* name, const ComputerText& computer) {
    sample(out, name, computer.labels, computer.row.silent ? 1 : 0);
}

void acknowledged(QByteArray& out, const char* name, const ComputerText& computer) {
    sample(out, name, computer.labels, computer.row.acknowledged ? 1 : 0);
}

void inMaintenance(QByteArray& out, const char* name, const ComputerText& computer) {
    sample(out, name, computer.labels, computer.row.inMaintenance ? 1 : 0);
}

void diskLow(QByteArray& out, const char* name, const ComputerText& computer) {
    sample(out, name, computer.labels, computer.row.lowDisk ? 1 : 0);
}

void agentInfo(QByteArray& out, const char* name, const ComputerText& computer) {
    sample(out, name, computer.with("version", computer.row.bytes(metricsKey::kVersion)), 1);
}

const std::array<ComputerFamily, ComputerLines::kFamilies> kFamilyTable{{
    {"kova_folder_files", "Files in a watched folder at the latest report.", folderFiles},
    {"kova_folder_limit", "The folder's file limit.", folderLimit},
    {"kova_folder_state", "The folder's state: 0 normal, 1 near its limit, 2 over it, 3 scan error.",
     folderState},
    {"kova_disk_free_bytes", "Free space on the computer's disk at the latest report.", diskFree},
    {"kova_disk_low",
     "1 when a disk's free space is under the computer's threshold (its own, else the fleet's).", diskLow},
    {"kova_last_report_timestamp_seconds", "When the computer's latest report arrived (Unix time).",
     lastReport},
    {"kova_computer_silent", "1 when no report came for three cycle intervals (at least 10 minutes).",
     silent},
    {"kova_computer_acknowledged", "1 while an operator's acknowledgement covers the computer's alert.",
     acknowledged},
    {"kova_computer_maintenance", "1 while the computer is in a maintenance window.", inMaintenance},
    {"kova_agent_info", "The agent version the computer reports.", agentInfo},
}};

} // namespace

ComputerLines::ComputerLines() {
    for (size_t k = 0; k < kFamilies; ++k)
        metrics::family(m_texts[k], kFamilyTable[k].name, "gauge", kFamilyTable[k].help);
}

void ComputerLines::add(const MetricsRow& computer) {
    const ComputerText text(computer);
    for (size_t k = 0; k < kFamilies; ++k)
        kFamilyTable[k].write(m_texts[k], kFamilyTable[k].name, text);
}

} // namespace server
