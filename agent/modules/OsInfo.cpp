#include "modules/OsInfo.h"

#include "platform/OsVersion.h"

#include <iterator>

namespace mdlGetServerInfo {

namespace {

const QString kNoInformation = QStringLiteral("No available OS information.");

QString windows(const char* name) {
    return QStringLiteral("Microsoft Windows ") + QLatin1String(name);
}

// The 9x family decides by the numbers alone, so 4.90 (ME) comes out as 98, as it always has.
QString windows9xName(quint32 major, quint32 minor) {
    if (major >= 5)
        return windows("ME");
    if (major == 4 && minor > 0)
        return windows("98");
    return windows("95");
}

struct NtRelease {
    quint32 major;
    quint32 minor;
    const char* client;
    const char* server;
};

constexpr NtRelease kReleasesBefore10[] = {
    {6, 0, "Vista", "Server 2008"},
    {6, 1, "7", "Server 2008 R2"},
    {6, 2, "8", "Server 2012"},
    {6, 3, "8.1", "Server 2012 R2"},
};

// Windows 10 and later all say 10.0; the build tells the releases apart.
QString windows10FamilyName(quint32 build, bool serverEdition) {
    if (!serverEdition)
        return windows(build >= 22000 ? "11" : "10");
    if (build < 17763)
        return windows("Server 2016");
    if (build < 20348)
        return windows("Server 2019");
    if (build < 26100)
        return windows("Server 2022");
    return windows("Server 2025");
}

// A version between known releases takes the name of the newest release not later than it.
QString windows6FamilyName(quint32 major, quint32 minor, bool serverEdition) {
    const NtRelease* match = std::begin(kReleasesBefore10);
    for (const NtRelease& release : kReleasesBefore10) {
        if (release.major < major || (release.major == major && release.minor <= minor))
            match = &release;
    }
    return windows(serverEdition ? match->server : match->client);
}

QString windowsNtName(quint32 major, quint32 minor, quint32 build, bool serverEdition) {
    if (major < 5)
        return windows("NT");
    if (major == 5)
        return windows(minor == 0 ? "2000" : "XP");
    if (major < 10)
        return windows6FamilyName(major, minor, serverEdition);
    return windows10FamilyName(build, serverEdition);
}

} // namespace

QString osNameFor(quint32 platformId, quint32 major, quint32 minor, quint32 build, bool serverEdition) {
    switch (platformId) {
    case 0:
        return QStringLiteral("Win32s");
    case 1:
        return windows9xName(major, minor);
    case 2:
        return windowsNtName(major, minor, build, serverEdition);
    default:
        return kNoInformation;
    }
}

void GetOSInfo(AgentState& state) {
    state.OS = kNoInformation;
    const std::optional<platform::OsFacts> facts = platform::Seam<platform::OsVersion>::get().read();
    if (facts) {
        state.OS = facts->productName.isEmpty() ? osNameFor(facts->platformId, facts->major, facts->minor,
                                                            facts->build, facts->serverEdition)
                                                : facts->productName;
    }
    state.OSVersion = QStringLiteral("Service Patch: ") + QString::number(facts ? facts->minor : 0);
    state.AgentVersion =
        QStringLiteral("%1.%2.%3").arg(KOVA_VERSION_MAJOR).arg(KOVA_VERSION_MINOR).arg(KOVA_VERSION_PATCH);
}

} // namespace mdlGetServerInfo
