#include "modules/FolderSlotRules.h"

#include <QTest>

using mdlFolderEdit::lowestFreeSlot;

// Which slot an added folder fills.
class TestFolderSlotRules : public QObject {
    Q_OBJECT

private slots:
    // A slot is free when its path is empty once blanks are trimmed; the lowest free one is taken.
    void lowestFreeSlotTakesBlanksAsFree() {
        AgentState state;
        for (int k = 1; k <= kSlotCount; ++k)
            state.Dir[k] = QStringLiteral("/srv/%1").arg(k);
        QCOMPARE(lowestFreeSlot(state), std::nullopt);
        state.Dir[7] = QStringLiteral("  ");
        state.Dir[9].clear();
        QCOMPARE(lowestFreeSlot(state), std::optional<int>(7));
        state.Dir[1] = QStringLiteral(" 0 "); // a slot switched off by "0" still holds a path
        QCOMPARE(lowestFreeSlot(state), std::optional<int>(7));
    }
};

QTEST_APPLESS_MAIN(TestFolderSlotRules)
#include "TestFolderSlotRules.moc"
