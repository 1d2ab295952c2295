// Times the folder count of the monitoring cycle against find(1) listing the same folder, on folders of
// 10,000, 100,000 and 1,000,000 empty files, and the peak memory that counting the largest one adds.
// Usage: bench_folder_scan [base folder]   (default /var/tmp/kova-bench-folders; folders are kept and
// reused, since creating a million files takes a while)

#include "modules/GetFolderStats.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <QDir>
#include <QFile>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRuns = 5;
using Clock = std::chrono::steady_clock;

QByteArray fileName(quint64 index) {
    return QByteArray("f") + QByteArray::number(index).rightJustified(7, '0');
}

// Files are made in name order, so the last one being there means the folder is complete. Checked without
// listing the folder, so that the memory measurement sees the process's first count.
bool isFilled(int dirFd, quint64 count) {
    return ::faccessat(dirFd, fileName(count - 1).constData(), F_OK, 0) == 0;
}

// A bare open and close per file: the quickest way to make a million empty files.
bool createFiles(int dirFd, quint64 count) {
    for (quint64 i = 0; i < count; ++i) {
        const int fd = ::openat(dirFd, fileName(i).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0 || ::close(fd) != 0)
            return false;
    }
    return true;
}

bool fillFolder(const QString& dir, quint64 count) {
    QDir().mkpath(dir);
    const int dirFd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return false;
    bool ok = isFilled(dirFd, count);
    if (!ok) {
        std::printf("creating %llu files in %s ...\n", static_cast<unsigned long long>(count),
                    qPrintable(dir));
        std::fflush(stdout);
        ok = createFiles(dirFd, count);
    }
    ::close(dirFd);
    return ok;
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double timeOurs(const QString& dir) {
    const auto start = Clock::now();
    const QString result = mdlProcessAlerts::GetFolderStats(dir);
    const double ms = millisecondsSince(start);
    if (result.isEmpty())
        std::printf("  count of %s failed\n", qPrintable(dir));
    return ms;
}

// The whole find process, from spawning to its exit, with its output thrown away.
double timeFind(const QString& dir) {
    const std::string path = QFile::encodeName(dir).toStdString();
    std::vector<std::string> args = {"find", path, "-maxdepth", "1", "-type", "f", "-printf", "%s\n"};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);

    const auto start = Clock::now();
    pid_t pid = 0;
    int status = 0;
    if (posix_spawnp(&pid, "find", &actions, nullptr, argv.data(), environ) == 0)
        ::waitpid(pid, &status, 0);
    const double ms = millisecondsSince(start);
    posix_spawn_file_actions_destroy(&actions);
    return ms;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Medians {
    double ours;
    double find;
};

// Warm cache: one untimed run each, then several runs taken in turns, so both see the same load on a shared
// machine; the median of each.
Medians medianTimes(const QString& dir) {
    timeOurs(dir);
    timeFind(dir);
    std::vector<double> ours;
    std::vector<double> find;
    for (int i = 0; i < kRuns; ++i) {
        ours.push_back(timeOurs(dir));
        find.push_back(timeFind(dir));
    }
    return {median(ours), median(find)};
}

long peakResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

// Peak memory growth of one count, measured from a reset peak so earlier work cannot hide it.
void reportMemory(const QString& dir) {
    const bool reset = bool(std::ofstream("/proc/self/clear_refs") << "5");
    const long before = peakResidentKilobytes();
    mdlProcessAlerts::GetFolderStats(dir);
    const long after = peakResidentKilobytes();
    std::printf("peak memory growth counting %s: %ld KiB%s (target < 5120 KiB)\n", qPrintable(dir),
                after - before, reset ? "" : " (peak could not be reset; figure may read low)");
}

} // namespace

int main(int argc, char** argv) {
    const QString base =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/var/tmp/kova-bench-folders");
    const quint64 sizes[] = {10000, 100000, 1000000};
    std::vector<QString> folders;
    for (const quint64 size : sizes) {
        folders.push_back(base + QStringLiteral("/%1-files").arg(size));
        if (!fillFolder(folders.back(), size)) {
            std::printf("cannot fill %s\n", qPrintable(folders.back()));
            return 1;
        }
    }

    reportMemory(folders.back());
    std::printf("%10s %12s %12s %8s   (median of %d warm runs; target ratio <= 1.0)\n", "files", "ours ms",
                "find ms", "ratio", kRuns);
    bool met = true;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const Medians times = medianTimes(folders[i]);
        met = met && times.ours <= times.find;
        std::printf("%10llu %12.2f %12.2f %8.3f\n", static_cast<unsigned long long>(sizes[i]), times.ours,
                    times.find, times.ours / times.find);
    }
    return met ? 0 : 2;
}
