#include "forms/frmMain.h"

#include "forms/frmSetup.h"
#include "forms/Twips.h"

#include <QMenuBar>

namespace {

// The text boxes show CR LF line breaks as plain new lines.
QString forDisplay(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QPlainTextEdit* logBox(QWidget* parent, const QRect& geometry) {
    auto* box = new QPlainTextEdit(parent);
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setGeometry(geometry);
    return box;
}

} // namespace

frmMain::frmMain(AgentState& state, const AgentConfig& config, QWidget* parent)
    : QMainWindow(parent), agent(state, config, *this) {
    setWindowTitle(QStringLiteral("KOVA Oru"));
    auto* client = new QWidget(this);
    setCentralWidget(client);

    Text1 = logBox(client, twipsRect(5640, 1200, 4335, 3735));
    Text3 = logBox(client, twipsRect(120, 5160, 9855, 1215));
    lblVersionNumber = new QLabel(QStringLiteral("Version No: "), client);
    lblVersionNumber->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblVersionNumber->setGeometry(twipsRect(6600, 720, 3375, 255));
    TreeView1 = new QTreeWidget(client);
    TreeView1->setHeaderHidden(true);
    TreeView1->setGeometry(twipsRect(120, 1200, 4095, 3015));
    Image2 = new QLabel(client);
    Image2->setGeometry(twipsRect(3240, 4250, 750, 750));

    cmdUpdateNow = addButton(QStringLiteral("&Scan Now"), twipsRect(4320, 1200, 1215, 375));
    cmdStart = addButton(QString(), twipsRect(2640, 120, 780, 770));
    cmdStop = addButton(QString(), twipsRect(3480, 120, 780, 770));
    connect(cmdUpdateNow, &QPushButton::clicked, this, &frmMain::cmdUpdateNow_Click);
    connect(cmdStart, &QPushButton::clicked, this, &frmMain::cmdStart_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmMain::cmdStop_Click);

    buildMenus();
    resize(twipsToPixels(10095), twipsToPixels(6480));
    showMonitoring(true);
}

QPushButton* frmMain::addButton(const QString& caption, const QRect& geometry) {
    auto* button = new QPushButton(caption, centralWidget());
    button->setGeometry(geometry);
    return button;
}

void frmMain::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    mnuStartMonitor = file->addAction(QStringLiteral("Start Monitoring"));
    mnuStopMonitor = file->addAction(QStringLiteral("Stop Monitor"));
    connect(mnuStartMonitor, &QAction::triggered, this, &frmMain::mnuStartMonitor_Click);
    connect(mnuStopMonitor, &QAction::triggered, this, &frmMain::mnuStopMonitor_Click);
}

void frmMain::cmdUpdateNow_Click() {
    agent.RunServerInfoNow();
}
void frmMain::cmdStart_Click() {
    agent.startMonitoring();
}
void frmMain::mnuStartMonitor_Click() {
    agent.startMonitoring();
}
void frmMain::cmdStop_Click() {
    agent.stopMonitoring();
}
void frmMain::mnuStopMonitor_Click() {
    agent.stopMonitoring();
}

void frmMain::showLog(const QString& text) {
    Text1->setPlainText(forDisplay(text));
    Text1->moveCursor(QTextCursor::End);
}

void frmMain::showServerMessage(const QString& text) {
    Text3->setPlainText(forDisplay(text));
}

void frmMain::setScanNowEnabled(bool enabled) {
    cmdUpdateNow->setEnabled(enabled);
}

void frmMain::showMonitoring(bool on) {
    cmdStart->setEnabled(!on);
    mnuStartMonitor->setEnabled(!on);
    cmdStop->setEnabled(on);
    mnuStopMonitor->setEnabled(on);
}

void frmMain::showVersion(const QString& caption) {
    lblVersionNumber->setText(caption);
}

void frmMain::showFolderTree(const FolderTree& tree) {
    TreeView1->clear();
    if (!tree.hasRoot())
        return;
    auto* root = new QTreeWidgetItem(TreeView1, {FolderTree::kRootText});
    root->setData(0, Qt::UserRole, FolderTree::kRootKey);
    for (const FolderNode& node : tree.children()) {
        auto* item = new QTreeWidgetItem(root, {node.text});
        item->setData(0, Qt::UserRole, node.key);
    }
    root->setExpanded(true);
}

void frmMain::ensureFolderVisible(const QString& key) {
    const auto items = TreeView1->findItems(QStringLiteral("*"), Qt::MatchWildcard | Qt::MatchRecursive);
    for (QTreeWidgetItem* item : items) {
        if (item->data(0, Qt::UserRole).toString() == key)
            TreeView1->scrollToItem(item);
    }
}

void frmMain::showStatusPicture(const QImage& picture) {
    Image2->setPixmap(QPixmap::fromImage(picture));
}

void frmMain::minimiseWindow() {
    setWindowState(windowState() | Qt::WindowMinimized);
}

void frmMain::disableCloseMenu() {
    show();
}

std::optional<int> frmMain::runFirstRunSetup() {
    frmSetup setup(agent);
    if (setup.exec() == QDialog::Accepted)
        return 0;
    return std::nullopt;
}
