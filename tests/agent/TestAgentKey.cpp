// The key the central server hands out is kept whole, replaces the old one at once, and no other account of
// the machine can read it: on Windows the program's folder lets every user read what it holds.
#include "AgentKeyHash.h"
#include "modules/AgentKey.h"
#include "support/FileBytes.h"
#include "support/PlatformFakes.h"

#include <QRegularExpression>
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

    // The agent makes its key once, before its first request, and from then on uses the stored one, also
    // a key the central server handed out before agents made their own.
    void madeOnceThenKept_data() {
        QTest::addColumn<QString>("stored");
        QTest::newRow("no key yet") << QString();
        QTest::newRow("handed out earlier") << QString(64, u'c');
    }
    void madeOnceThenKept() {
        QFETCH(QString, stored);
        QFile::remove(mdlGeneral::agentKeyFilePath());
        QVERIFY(stored.isEmpty() || mdlGeneral::writeAgentKey(stored));
        const auto first = mdlGeneral::agentKeyOrNew();
        QVERIFY2(first, qPrintable(first.reason()));
        QCOMPARE(first->made, stored.isEmpty());
        QVERIFY(first->key.contains(QRegularExpression("^[0-9a-f]{64}$")));
        QVERIFY(stored.isEmpty() || first->key == stored);
        QCOMPARE(fileBytes(mdlGeneral::agentKeyFilePath()), first->key.toLatin1());
        const auto again = mdlGeneral::agentKeyOrNew();
        QVERIFY(again && !again->made && again->key == first->key);
        QCOMPARE(mdlGeneral::agentKeyFingerprintText(),
                 "Key fingerprint: " + wire::keyFingerprint(wire::agentKeyHash(first->key)));
    }
};

QTEST_GUILESS_MAIN(TestAgentKey)
#include "TestAgentKey.moc"
