#include "modules/DriveChoice.h"

#include <QTest>

using mdlFolderEdit::driveOfFolder;
using mdlFolderEdit::drivesToOffer;

// The add window's drive list.
class TestDriveChoice : public QObject {
    Q_OBJECT

private slots:
    // Local disks and whatever could not be vouched for are offered; ready drives that are no disks are not.
    void offersDisksAndDrivesNotReady() {
        const std::vector<platform::Drive> drives{{"/", true, true},
                                                  {"/proc", false, true},
                                                  {"/media/card", false, false},
                                                  {"/home", true, false},
                                                  {"/run", false, true}};
        QCOMPARE(drivesToOffer(drives), (QStringList{"/", "/media/card", "/home"}));
    }

    // The longest root a folder lies under, whole path steps only.
    void folderBelongsToItsLongestRoot() {
        const QStringList roots{"/", "/home", "/home/data"};
        QCOMPARE(driveOfFolder(roots, "/home/data/in"), "/home/data");
        QCOMPARE(driveOfFolder(roots, "/homework"), "/");
        QCOMPARE(driveOfFolder(roots, "/home"), "/home");
        QCOMPARE(driveOfFolder({"/home"}, "/srv"), QString());
    }
};

QTEST_APPLESS_MAIN(TestDriveChoice)
#include "TestDriveChoice.moc"
