#include "alerting/MetricsPage.h"

#include "alerting/MetricsText.h"
#include "domain/DiskSpace.h"
#include "domain/FolderCondition.h"

#include <array>
#include <cstring>
#include <QDebug>
#include <QTimer>

namespace server {
namespace {

using metrics::appendLabel;
using metrics::sample;
using metrics::textSample;

constexpr qint64 kSpoolPiece = 64 * 1024;

// What every sample of one computer shares, its labels escaped once rather than once per line.
struct ComputerText {
    const MetricsRow& row;
    QByteArray labels; // computer="NAME"
    QList<FolderReading> folders;
    QList<QByteArray> folderLabels; // computer="NAME",slot="N",path="PATH"

    explicit ComputerText(const MetricsRow& computer)
        : row(computer), folders(folderReadings([this](const QString& key) { return row.value(key); })) {
        appendLabel(labels, "computer", row.name.toUtf8());
        for (const FolderReading& folder : folders) {
            QByteArray folderLabel = labels;
            appendLabel(folderLabel.append(','), "slot", QByteArray::number(folder.slot));
            appendLabel(folderLabel.append(','), "path", folder.path.toUtf8());
            folderLabels << folderLabel;
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

// A number is plain ASCII: text in any other letters is no number either way.
void folderNumbers(QByteArray& out, const char* name, const ComputerText& computer,
                   QString FolderReading::*value) {
    for (qsizetype k = 0; k < computer.folders.size(); ++k)
        textSample(out, name, computer.folderLabels[k], (computer.folders[k].*value).toLatin1());
}

void folderFiles(QByteArray& out, const char* name, const ComputerText& computer) {
    folderNumbers(out, name, computer, &FolderReading::files);
}

void folderLimit(QByteArray& out, const char* name, const ComputerText& computer) {
    folderNumbers(out, name, computer, &FolderReading::limit);
}

void folderState(QByteArray& out, const char* name, const ComputerText& computer) {
    for (qsizetype k = 0; k < computer.folders.size(); ++k)
        sample(out, name, computer.folderLabels[k], int(computer.folders[k].condition));
}

// Agents send free space in units of 10,000 bytes.
void diskFree(QByteArray& out, const char* name, const ComputerText& computer) {
    for (int disk = 1; disk <= kReportedDisks; ++disk) {
        const QByteArrayView root = computer.row.bytes(QStringLiteral("sDisk%1").arg(disk));
        bool isNumber = false;
        const QByteArrayView space = computer.row.bytes(diskSpaceKey(disk));
        const double units =
            QByteArray::fromRawData(space.data(), space.size()).trimmed().toDouble(&isNumber);
        if (!root.isEmpty() && isNumber)
            sample(out, name, computer.with("disk", root), units * 10000);
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
    sample(out, name, computer.with("version", computer.row.bytes(QStringLiteral("sORUVersion"))), 1);
}

const std::array<ComputerFamily, 10> kFamilies{{
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

MetricsPage::MetricsPage(ServerStore& store, const QDateTime& now, QByteArray serverFamilies)
    : m_store(store), m_now(now) {
    appendChunk(serverFamilies);
}

Result<> MetricsPage::prepare() {
    for (size_t k = 0; k < kFamilies.size(); ++k) {
        m_spools.push_back(std::make_unique<QTemporaryFile>());
        if (!m_spools.back()->open())
            return Failure{QStringLiteral("no temporary file for the metrics page: %1")
                               .arg(m_spools.back()->errorString())};
    }
    if (!open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return Failure{errorString()};
    return gatherPage();
}

qint64 MetricsPage::bytesAvailable() const {
    const qint64 framed = m_pending.size() - m_offset;
    return framed > 0 || m_finished ? framed : 1; // more is always coming until the last chunk
}

bool MetricsPage::atEnd() const {
    return m_finished && m_offset >= m_pending.size();
}

qint64 MetricsPage::readData(char* data, qint64 maxSize) {
    while (m_offset >= m_pending.size() && !m_finished) {
        const bool gathering = m_gathering;
        if (const auto done = gathering ? gatherPage() : sendNext(); !done) {
            // The headers went out already: end without the last chunk, so the client sees a broken page
            // rather than a short one.
            qWarning().noquote() << "the metrics page stopped:" << done.reason();
            m_pending.clear();
            m_offset = 0;
            m_finished = true;
            return -1;
        }
        if (gathering && m_gathering) {
            // One page of computers per turn of the event loop, so agents are answered in between.
            QTimer::singleShot(0, this, &QIODevice::readyRead);
            return 0;
        }
    }
    const qint64 count = std::min<qint64>(maxSize, m_pending.size() - m_offset);
    std::memcpy(data, m_pending.constData() + m_offset, size_t(count));
    m_offset += count;
    return count;
}

Result<> MetricsPage::gatherPage() {
    const auto rows = m_store.page(m_after, kComputersPerPage, m_now);
    if (!rows)
        return Failure{rows.reason()};
    std::vector<QByteArray> texts(kFamilies.size());
    for (const MetricsRow& row : *rows) {
        const ComputerText computer(row);
        for (size_t k = 0; k < kFamilies.size(); ++k)
            kFamilies[k].write(texts[k], kFamilies[k].name, computer);
    }
    for (size_t k = 0; k < kFamilies.size(); ++k) {
        if (m_spools[k]->write(texts[k]) != texts[k].size())
            return Failure{m_spools[k]->errorString()};
    }
    m_gathering = rows->size() == kComputersPerPage;
    if (m_gathering)
        m_after = rows->last().name;
    return Result<>::success();
}

Result<> MetricsPage::sendNext() {
    m_pending = m_pending.mid(m_offset);
    m_offset = 0;
    if (m_family == kFamilies.size()) {
        m_pending.append("0\r\n\r\n");
        m_finished = true;
        return Result<>::success();
    }
    const ComputerFamily& family = kFamilies[m_family];
    QTemporaryFile& spool = *m_spools[m_family];
    QByteArray text;
    if (!m_familyOpened) {
        metrics::family(text, family.name, "gauge", family.help);
        m_familyOpened = spool.seek(0);
    }
    text.append(spool.read(kSpoolPiece));
    if (spool.error() != QFileDevice::NoError)
        return Failure{spool.errorString()};
    if (spool.atEnd()) {
        m_spools[m_family].reset(); // gone from the disk at once
        ++m_family;
        m_familyOpened = false;
    }
    appendChunk(text);
    return Result<>::success();
}

void MetricsPage::appendChunk(const QByteArray& text) {
    if (text.isEmpty())
        return; // an empty chunk would end the body
    m_pending.append(QByteArray::number(text.size(), 16)).append("\r\n").append(text).append("\r\n");
}

} // namespace server
