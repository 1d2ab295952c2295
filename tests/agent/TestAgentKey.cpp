// The key the central server hands out is kept whole, replaces the old one at once, and no other account of
// the machine can read it: on Windows the program's folder lets every user read what it holds.
#include "modules/AgentKey.h"
#include "support/FileBytes.h"
#include "support/PlatformFakes.h"

#include <QTemporaryDir>
#include <QTest>
#ifdef Q_OS_WIN
#include <aclapi.h>
#include <windows.h>
#endif

namespace {

// Who may open the file, as the system keeps it: "owner" when only its owner may (with, on Windows, the
// system and the administrators), otherwise what else is allowed.
QString whoMayRead(const QString& path) {
#ifdef Q_OS_WIN
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    if (GetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return "unknown";
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    const QString who = list && list->AceCount == 3 && (control & SE_DACL_PROTECTED)
                            ? QString("owner")
                            : QString("%1 entries, inherited %2")
                                  .arg(list ? list->AceCount : 0)
                                  .arg(!(control & SE_DACL_PROTECTED));
    LocalFree(descriptor);
    return who;
#else
    const QFile::Permissions others =
        QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    return QFile::permissions(path) & others ? QString("group or others") : QString("owner");
#endif
}

} // namespace

class TestAgentKey : public QObject {
    Q_OBJECT

    QTemporaryDir folder;
    FakeExecutableLocation location{folder.path()};
    platform::ScopedFake<platform::ExecutableLocation> locationFake{location};

private slots:
    void keptWholeAndPrivate() {
        const QString first(64, u'a');
        const QString second(64, u'b');
        const Result<> firstKept = mdlGeneral::writeAgentKey(first);
        QVERIFY2(firstKept, qPrintable(firstKept.reason()));
        QCOMPARE(mdlGeneral::readAgentKey(), first);
        const Result<> secondKept = mdlGeneral::writeAgentKey(second);
        QVERIFY2(secondKept, qPrintable(secondKept.reason()));
        QCOMPARE(fileBytes(mdlGeneral::agentKeyFilePath()), second.toLatin1());
#ifdef Q_OS_WIN
        // Wine answers "done" to a new access list for a file but keeps none: it reads back Unix mode bits.
        if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
            QSKIP("wine keeps no access lists on files; checked on Windows itself");
#endif
        QCOMPARE(whoMayRead(mdlGeneral::agentKeyFilePath()), QString("owner"));
    }
};

QTEST_GUILESS_MAIN(TestAgentKey)
#include "TestAgentKey.moc"
