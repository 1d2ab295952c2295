#include "forms/frmAddNewMonitor.h"

#include "forms/Twips.h"
#include "forms/WindowStyle.h"
#include "modules/DriveChoice.h"
#include "modules/FolderEdit.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QSignalBlocker>

namespace {

constexpr int kLimitLength = 4;

} // namespace

frmAddNewMonitor::frmAddNewMonitor(Agent& agent, QWidget* parent) : QDialog(parent), agent(agent) {
    setWindowTitle(QStringLiteral("Add New Monitor"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(gothicFont(kButtonPoints));
    setFixedSize(twipsToPixels(6840), twipsToPixels(3855));

    const QFont heading = gothicFont(kHeadingPoints, true);
    Label1 = wrappedLabel(QStringLiteral("Select which folder you want to monitor."),
                          twipsRect(120, 120, 3375, 555), heading, this);
    Drive1 = new QComboBox(this);
    Drive1->setGeometry(twipsRect(120, 720, 3375, 330));
    Dir1 = new FolderList(this);
    Dir1->setGeometry(twipsRect(120, 1140, 3375, 2115));
    lblOpenFolder = wrappedLabel(QString(), twipsRect(120, 3300, 3375, 435), font(), this);
    Label2 = wrappedLabel(QStringLiteral("Set File Count"), twipsRect(3720, 120, 3000, 255), heading, this);
    Label3 = wrappedLabel(
        QStringLiteral("This is the maximum number of files allowed before KOVA Oru sets off an alert.  "
                       "Enter a number below between 1 and 9999"),
        twipsRect(3720, 480, 3000, 1095), font(), this);
    Text1 = new QLineEdit(QStringLiteral("0"), this);
    Text1->setMaxLength(kLimitLength);
    Text1->setGeometry(twipsRect(3720, 1680, 975, 330));
    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setGeometry(twipsRect(3720, 3300, 1395, 375));
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(twipsRect(5280, 3300, 1395, 375));

    connect(Dir1, &FolderList::pathChanged, lblOpenFolder, &QLabel::setText);
    connect(Drive1, &QComboBox::currentIndexChanged, this, &frmAddNewMonitor::Drive1_Change);
    connect(cmdOk, &QPushButton::clicked, this, &frmAddNewMonitor::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddNewMonitor::cmdCancel_Click);

    fillDrives();
    // An unreadable working folder leaves the list empty for the operator to pick a drive.
    static_cast<void>(Dir1->setPath(QDir::currentPath()));
    showDriveOfOpenFolder();
    centreOnScreen(this);
}

void frmAddNewMonitor::fillDrives() {
    const QSignalBlocker quiet(Drive1);
    Drive1->addItems(mdlFolderEdit::drivesToOffer(platform::Seam<platform::Drives>::get().list()));
}

void frmAddNewMonitor::showDriveOfOpenFolder() {
    const QSignalBlocker quiet(Drive1);
    QStringList roots;
    for (int i = 0; i < Drive1->count(); ++i)
        roots << Drive1->itemText(i);
    Drive1->setCurrentIndex(
        static_cast<int>(roots.indexOf(mdlFolderEdit::driveOfFolder(roots, Dir1->path()))));
}

void frmAddNewMonitor::Drive1_Change() {
    const QString drive = Drive1->currentText();
    const Result<> opened = Dir1->setPath(drive);
    if (opened)
        return;
    platform::MessageBox::inform(
        QStringLiteral("The drive %1 cannot be opened (%2). Insert a disk or choose another drive.")
            .arg(drive, opened.reason()),
        QStringLiteral("Drive not ready"));
    showDriveOfOpenFolder();
}

void frmAddNewMonitor::cmdOk_Click() {
    if (mdlFolderEdit::addFolder(agent, Dir1->path(), Text1->text()))
        accept();
}

void frmAddNewMonitor::cmdCancel_Click() {
    reject();
}
