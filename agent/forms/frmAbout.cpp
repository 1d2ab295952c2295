#include "forms/frmAbout.h"

#include "forms/Twips.h"
#include "forms/WindowStyle.h"
#include "modules/AgentConfig.h"
#include "modules/AgentKey.h"

namespace {

QLabel* picture(const QString& resource, const QRect& twips, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(QPixmap(resource));
    label->setGeometry(twips);
    return label;
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Kova Oru"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    paintBlack(this);
    setFont(gothicFont(kButtonPoints));
    setFixedSize(twipsToPixels(6135), twipsToPixels(3900));

    imgLogo = picture(QStringLiteral(":/logo.png"), twipsRect(240, 240, 3750, 570), this);
    Image1 = picture(QStringLiteral(":/about.png"), twipsRect(4560, 240, 1440, 1440), this);
    Label1 = wrappedLabel(QStringLiteral("KOVA Oru System Monitor, version %1").arg(agentVersionText()),
                          twipsRect(240, 1080, 4095, 495), gothicFont(kHeadingPoints, true), this);
    Label2 = wrappedLabel(
        QStringLiteral("Watches the folders of this server, counts their files against the limits you "
                       "set and reports the server's state to the KOVA Oru central server, which "
                       "also schedules its reboots."),
        twipsRect(240, 1680, 5655, 1215), font(), this);
    KeyFingerprint =
        wrappedLabel(mdlGeneral::agentKeyFingerprintText(), twipsRect(240, 2895, 4335, 300), font(), this);
    KeyFingerprint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Command1 = new QPushButton(QStringLiteral("&Ok"), this);
    Command1->setGeometry(twipsRect(4680, 3240, 1215, 375));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);
    centreOnScreen(this);
}

void frmAbout::Command1_Click() {
    close();
}
