#include "forms/frmSetup.h"

#include "forms/SetupWindow.h"
#include "forms/Twips.h"
#include "forms/WindowStyle.h"
#include "modules/FirstRunSetup.h"

#include <QFrame>

frmSetup::frmSetup(Agent& agent, QWidget* parent) : QDialog(parent), agent(agent) {
    setWindowTitle(QStringLiteral("Setup"));
    setFixedSize(twipsToPixels(6000), twipsToPixels(3120));
    Label1 = wrappedLabel(QStringLiteral("New Installation Detected!"), twipsRect(360, 240, 5280, 375),
                          font(), this);
    Label1->setFont(gothicFont(12, true));
    Label2 =
        wrappedLabel(QStringLiteral("Welcome to KOVA Oru."), twipsRect(360, 720, 5280, 255), font(), this);
    Label3 = wrappedLabel(
        QStringLiteral("In order to complete the installation of KOVA Oru, you must enter a name that will "
                       "be used to identify this computer.  Preferably, you want to use this computer's "
                       "name (ie: JVX-LAPTOP)"),
        twipsRect(360, 1080, 5280, 975), font(), this);
    Text1 = new QLineEdit(QStringLiteral("Enter PC's Name"), this);
    Text1->setGeometry(twipsRect(360, 2280, 3375, 375));
    cmdWrite = new QPushButton(QStringLiteral("Finish Setup"), this);
    cmdWrite->setGeometry(twipsRect(3960, 2280, 1680, 375));
    cmdWrite->setFont(gothicFont(kButtonPoints));
    connect(cmdWrite, &QPushButton::clicked, this, &frmSetup::cmdWrite_Click);
    addFrameLines();
}

// Eight thin lines frame the contents: a double rule above and below, and on each side.
void frmSetup::addFrameLines() {
    const QList<QRect> lines{twipsRect(120, 120, 5760, 15),  twipsRect(120, 165, 5760, 15),
                             twipsRect(120, 2940, 5760, 15), twipsRect(120, 2985, 5760, 15),
                             twipsRect(120, 120, 15, 2880),  twipsRect(165, 120, 15, 2880),
                             twipsRect(5820, 120, 15, 2880), twipsRect(5865, 120, 15, 2880)};
    for (const QRect& geometry : lines) {
        auto* line = new QFrame(this);
        line->setGeometry(geometry.normalized().adjusted(0, 0, 1, 1));
        line->setAutoFillBackground(true);
        line->setPalette(QPalette(Qt::darkGray));
    }
}

void frmSetup::cmdWrite_Click() {
    const auto outcome = mdlGeneral::finishSetup(agent, Text1->text(), [this] {
        cmdWrite->setEnabled(false);
        cmdWrite->setText(QStringLiteral("Working..."));
    });
    switch (outcome) {
    case mdlGeneral::SetupOutcome::Completed:
        accept();
        break;
    case mdlGeneral::SetupOutcome::Rejected:
        reject();
        break;
    case mdlGeneral::SetupOutcome::NotWritten:
        cmdWrite->setEnabled(true);
        cmdWrite->setText(QStringLiteral("Finish Setup"));
        break;
    }
}

namespace {

class ModalSetupWindow final : public SetupWindow {
public:
    bool run(Agent& agent) override {
        frmSetup setup(agent);
        return setup.exec() == QDialog::Accepted;
    }
};

} // namespace

template <> SetupWindow& platform::Seam<SetupWindow>::real() {
    static ModalSetupWindow window;
    return window;
}
