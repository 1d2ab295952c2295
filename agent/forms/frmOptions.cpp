#include "forms/frmOptions.h"

#include "forms/Twips.h"
#include "forms/WindowStyle.h"

#include <QTabBar>

namespace {

constexpr double kTabPoints = 9;
// Positions inside a frame, in twips.
constexpr int kCaptionLeft = 120;
constexpr int kCaptionWidth = 3855;
constexpr int kBoxLeft = 4080;
constexpr int kBoxWidth = 615;
constexpr int kUnitLeft = 4800;
constexpr int kUnitWidth = 735;
constexpr int kLineHeight = 315;

} // namespace

frmOptions::frmOptions(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("KOVA Oru Options"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(gothicFont(kButtonPoints));
    setFixedSize(twipsToPixels(6780), twipsToPixels(3120));

    SSTab1 = new QTabWidget(this);
    SSTab1->setGeometry(twipsRect(120, 120, 6540, 2400));
    SSTab1->tabBar()->setFont(gothicFont(kTabPoints, true));
    Frame1 = addTab(QStringLiteral("Monitoring"),
                    QStringLiteral("Customize the way KOVA Oru monitors this server."));
    Text1 = addSetting(Frame1, 480, QStringLiteral("Scan server every (in minutes): "), QStringLiteral("10"),
                       QStringLiteral("mins."));
    Text2 = addSetting(Frame1, 960, QStringLiteral("Reboot computer every (0 for Never): "),
                       QStringLiteral("24"), QStringLiteral("hrs."));
    Frame2 = addTab(QStringLiteral("Alerts && Notifications"),
                    QStringLiteral("Modify error handling, notifications, and log handling"));
    Check1 = new QCheckBox(QStringLiteral("Popup window when alert occurrs?"), Frame2);
    Check1->setGeometry(twipsRect(kCaptionLeft, 480, 5400, kLineHeight));
    Text3 = addSetting(Frame2, 960, QStringLiteral("Delete SQL logs every (in hours): "),
                       QStringLiteral("120"), QStringLiteral("hrs."));
    Frame3 = addTab(QStringLiteral("Performance"), QStringLiteral("Performance Tweaks"));

    Label7 = new QLabel(QStringLiteral("Not working yet..."), this);
    Label7->setGeometry(twipsRect(120, 2640, 2535, 375));
    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setGeometry(twipsRect(3960, 2640, 1215, 375));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(twipsRect(5400, 2640, 1215, 375));
    connect(cmdOk, &QPushButton::clicked, this, &frmOptions::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    centreOnScreen(this);
}

QGroupBox* frmOptions::addTab(const QString& caption, const QString& frameCaption) {
    auto* page = new QWidget;
    SSTab1->addTab(page, caption);
    auto* frame = new QGroupBox(frameCaption, page);
    frame->setGeometry(twipsRect(120, 120, 6180, 1800));
    return frame;
}

QLineEdit* frmOptions::addSetting(QGroupBox* frame, int top, const QString& caption, const QString& value,
                                  const QString& unit) {
    auto* name = new QLabel(caption, frame);
    name->setGeometry(twipsRect(kCaptionLeft, top, kCaptionWidth, kLineHeight));
    auto* box = new QLineEdit(value, frame);
    box->setGeometry(twipsRect(kBoxLeft, top, kBoxWidth, kLineHeight));
    auto* unitLabel = new QLabel(unit, frame);
    unitLabel->setGeometry(twipsRect(kUnitLeft, top, kUnitWidth, kLineHeight));
    return box;
}

// Nothing of this window is read, kept or sent.
void frmOptions::cmdOk_Click() {
    close();
}
void frmOptions::cmdCancel_Click() {
    close();
}
