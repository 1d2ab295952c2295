#include "forms/frmMain.h"

#include "forms/frmAbout.h"
#include "forms/frmAddNewMonitor.h"
#include "forms/frmOptions.h"
#include "forms/NotificationArea.h"
#include "forms/SetupWindow.h"
#include "forms/Twips.h"
#include "forms/WholeTextTree.h"
#include "forms/WindowStyle.h"
#include "modules/ConsoleCommands.h"
#include "modules/FolderEdit.h"
#include "modules/mdlSystemTray.h"
#include "platform/MessageBox.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>

namespace {

const QString kNoNotificationArea =
    QStringLiteral("No notification area on this desktop: KOVA Oru stays in the task bar when minimised.");

constexpr QSize kToolbarPicture(48, 48);

// The text boxes show CR LF line breaks as plain new lines.
QString forDisplay(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QPlainTextEdit* textBox(QWidget* parent, const QRect& geometry) {
    auto* box = new QPlainTextEdit(parent);
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setGeometry(geometry);
    paintStandard(box);
    return box;
}

template <class Label = QLabel>
Label* picture(QWidget* parent, const QString& resource, const QRect& geometry) {
    auto* label = new Label(parent);
    label->setPixmap(QPixmap(resource));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

// A tree node looks the same whether it is selected or not.
QIcon treePicture(const QString& resource) {
    const QPixmap pixmap(resource);
    QIcon icon;
    icon.addPixmap(pixmap, QIcon::Normal);
    icon.addPixmap(pixmap, QIcon::Selected);
    return icon;
}

QTreeWidgetItem* treeNode(const QString& key, const QString& text, const QIcon& icon) {
    auto* item = new QTreeWidgetItem({text});
    item->setData(0, Qt::UserRole, key);
    item->setIcon(0, icon);
    return item;
}

template <class Window, class... Arguments> void showModal(QWidget* owner, Arguments&... arguments) {
    Window window(arguments..., owner);
    window.exec();
}

} // namespace

frmMain::frmMain(AgentState& state, const AgentConfig& config, QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("KOVA Oru"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    loadPictures();
    buildControls();
    buildMenus();
    setClientSize(10095, 6480);
    centreOnScreen(this);

    TrayIcon = new QSystemTrayIcon(windowIcon(), this);
    connect(TrayIcon, &QSystemTrayIcon::activated, this, &frmMain::TrayIcon_Activated);
    // Last, so that the agent is handed a window whose controls all stand.
    agent_ = std::make_unique<Agent>(state, config, *this);
    showMonitoring(true);
}

frmMain::~frmMain() {
    removeTrayIcon();
}

void frmMain::loadPictures() {
    QIcon own;
    for (const char* size : {"", "32", "48"})
        own.addFile(QStringLiteral(":/app%1.png").arg(QLatin1String(size)));
    setWindowIcon(own);
    for (const char* name : {"folder", "blue", "red", "green", "yellow"})
        ImageList1 << treePicture(QStringLiteral(":/tree/%1.png").arg(QLatin1String(name)));
    for (int frame = 1; frame <= mdlSystemTray::kFrameCount; ++frame)
        ImageList2 << QIcon(QStringLiteral(":/tray/frame%1.png").arg(frame, 2, 10, QLatin1Char('0')));
}

void frmMain::buildControls() {
    auto* client = new QWidget(this);
    setCentralWidget(client);
    paintBlack(client);
    client->setFont(gothicFont(kButtonPoints));

    Image3 = picture(client, QStringLiteral(":/decoration.png"), twipsRect(2640, 120, 3000, 2415));
    cmdOptions = pictureButton(QStringLiteral("options"), QStringLiteral("Options"),
                               twipsRect(120, 120, 780, 770), &frmMain::cmdOptions_Click);
    cmdDelete = pictureButton(QStringLiteral("delete"), QStringLiteral("Delete Folder"),
                              twipsRect(960, 120, 780, 770), &frmMain::cmdDelete_Click);
    cmdAddNew = pictureButton(QStringLiteral("add"), QStringLiteral("Add Folder"),
                              twipsRect(1800, 120, 780, 770), &frmMain::cmdAddNew_Click);
    cmdStart = pictureButton(QStringLiteral("start"), QStringLiteral("Start Monitoring"),
                             twipsRect(2640, 120, 780, 770), &frmMain::cmdStart_Click);
    cmdStop = pictureButton(QStringLiteral("stop"), QStringLiteral("Stop Monitor"),
                            twipsRect(3480, 120, 780, 770), &frmMain::cmdStop_Click);
    cmdRebootNow = pictureButton(QStringLiteral("reboot"), QStringLiteral("Reboot Server Now"),
                                 twipsRect(4320, 120, 780, 770), &frmMain::cmdRebootNow_Click);
    Image1 = picture<PictureLabel>(client, QStringLiteral(":/logo.png"), twipsRect(6600, 120, 3750, 570));
    Image1->setCursor(Qt::PointingHandCursor);
    lblVersionNumber = heading(QStringLiteral("Version No: "), twipsRect(6600, 720, 3375, 255));
    lblVersionNumber->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Label2 = heading(QStringLiteral("Local Directory Statuses"), twipsRect(120, 960, 2535, 375));
    Label1 = heading(QStringLiteral("KOVA Oru Message & Web Postings"), twipsRect(5640, 960, 3375, 495));
    TreeView1 = new QTreeWidget(client);
    TreeView1->setHeaderHidden(true);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    showWholeTexts(*TreeView1);
    TreeView1->setGeometry(twipsRect(120, 1200, 4095, 3015));
    paintStandard(TreeView1);
    cmdUpdateNow = commandButton(QStringLiteral("&Scan Now"), twipsRect(4320, 1200, 1215, 375),
                                 &frmMain::cmdUpdateNow_Click);
    Text1 = textBox(client, twipsRect(5640, 1200, 4335, 3735));
    cmdResetAlert = commandButton(QStringLiteral("&Reset Alert"), twipsRect(4320, 1680, 1215, 375),
                                  &frmMain::cmdResetAlert_Click);
    cmdHideRight = commandButton(QStringLiteral("&Hide >>"), twipsRect(4320, 2520, 1215, 375),
                                 &frmMain::cmdHideRight_Click);
    cmdMinimize = commandButton(QStringLiteral("&Close"), twipsRect(4320, 3360, 1215, 375),
                                &frmMain::cmdMinimize_Click);
    Command2 = commandButton(QStringLiteral("Shut&Down"), twipsRect(4320, 3840, 1215, 375),
                             &frmMain::Command2_Click);
    Label3 = heading(QStringLiteral("Current Alert Status:"), twipsRect(840, 4320, 2895, 375));
    Image2 = picture(client, QStringLiteral(":/status/CheckMark.gif"), twipsRect(3240, 4250, 750, 750));
    Label3->setFont(fittingFont(gothicFont(12, true), Label3->text(), Image2->x() - Label3->x()));
    Label4 = heading(QStringLiteral("Information from KOVA Server"), twipsRect(120, 4920, 3375, 375));
    Text3 = textBox(client, twipsRect(120, 5160, 9855, 1215));

    connect(Image1, &PictureLabel::clicked, this, &frmMain::Image1_Click);
    connect(TreeView1, &QTreeWidget::itemClicked, this, &frmMain::TreeView1_NodeClick);
    TreeView1->installEventFilter(this);
    TreeView1->viewport()->installEventFilter(this);
}

QPushButton* frmMain::pictureButton(const QString& picture, const QString& tip, const QRect& geometry,
                                    Handler handler) {
    QPushButton* button = commandButton(QString(), geometry, handler);
    button->setIcon(QIcon(QStringLiteral(":/toolbar/%1.png").arg(picture)));
    button->setIconSize(kToolbarPicture);
    button->setToolTip(tip);
    return button;
}

QPushButton* frmMain::commandButton(const QString& caption, const QRect& geometry, Handler handler) {
    auto* button = new QPushButton(caption, centralWidget());
    button->setGeometry(geometry);
    connect(button, &QPushButton::clicked, this, handler);
    return button;
}

QLabel* frmMain::heading(const QString& caption, const QRect& geometry) {
    auto* label = new QLabel(caption, centralWidget());
    label->setFont(gothicFont(kHeadingPoints));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

void frmMain::buildMenus() {
    const auto item = [this](QMenu* menu, const QString& caption, Handler handler) {
        QAction* action = menu->addAction(caption);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuStartMonitor = item(mnuFile, QStringLiteral("Start Monitoring"), &frmMain::mnuStartMonitor_Click);
    mnuStopMonitor = item(mnuFile, QStringLiteral("Stop Monitor"), &frmMain::mnuStopMonitor_Click);
    mnuLine2 = mnuFile->addSeparator();
    mnuClose = item(mnuFile, QStringLiteral("Close"), &frmMain::mnuClose_Click);
    mnuShutdown = item(mnuFile, QStringLiteral("Shutdown Oru"), &frmMain::mnuShutdown_Click);
    mnuOruTools = menuBar()->addMenu(QStringLiteral("Oru Tools"));
    mnuResetAlert = item(mnuOruTools, QStringLiteral("Reset Alerts Now"), &frmMain::mnuResetAlert_Click);
    mnuHideServer = item(mnuOruTools, QStringLiteral("Hide Server Messages"), &frmMain::mnuHideServer_Click);
    mnuAddFolder = item(mnuOruTools, QStringLiteral("Add Folder"), &frmMain::mnuAddFolder_Click);
    mnuDeletefolder = item(mnuOruTools, QStringLiteral("Delete Folder"), &frmMain::mnuDeletefolder_Click);
    mnuLine1 = mnuOruTools->addSeparator();
    mnuOptions = item(mnuOruTools, QStringLiteral("Options"), &frmMain::mnuOptions_Click);
    mnuSysTool = menuBar()->addMenu(QStringLiteral("System Tools"));
    mnuIPNumber = item(mnuSysTool, QStringLiteral("Print IP Address"), &frmMain::mnuIPNumber_Click);
    mnuReboot = item(mnuSysTool, QStringLiteral("Reboot Server Now"), &frmMain::mnuReboot_Click);
    mnuHelp = menuBar()->addMenu(QStringLiteral("Help"));
    mnuAbout = item(mnuHelp, QStringLiteral("About"), &frmMain::mnuAbout_Click);
    mnuWebsite = item(mnuHelp, QStringLiteral("Visit KOVA-Oru Website"), &frmMain::mnuWebsite_Click);
}

void frmMain::setClientSize(int widthTwips, int heightTwips) {
    resize(twipsToPixels(widthTwips), twipsToPixels(heightTwips) + menuBar()->sizeHint().height());
}

// The frame (title bar and borders) is the window manager's; it is known only once the window is shown,
// and the offscreen platform has none.
void frmMain::setOuterSize(const QSize& twips) {
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(QSize(twipsToPixels(twips.width()), twipsToPixels(twips.height())) - frame);
}

// Commands

void frmMain::cmdOptions_Click() {
    showModal<frmOptions>(this);
}
void frmMain::mnuOptions_Click() {
    showModal<frmOptions>(this);
}

void frmMain::cmdDelete_Click() {
    deleteFolder();
}
void frmMain::mnuDeletefolder_Click() {
    deleteFolder();
}
void frmMain::deleteFolder() {
    mdlFolderEdit::deleteFolder(*agent_, SelectedNodeKey);
}

void frmMain::cmdAddNew_Click() {
    showModal<frmAddNewMonitor>(this, *agent_);
}
void frmMain::mnuAddFolder_Click() {
    showModal<frmAddNewMonitor>(this, *agent_);
}

void frmMain::cmdStart_Click() {
    agent_->startMonitoring();
}
void frmMain::mnuStartMonitor_Click() {
    agent_->startMonitoring();
}
void frmMain::cmdStop_Click() {
    agent_->stopMonitoring();
}
void frmMain::mnuStopMonitor_Click() {
    agent_->stopMonitoring();
}

void frmMain::cmdRebootNow_Click() {
    mdlConsole::rebootNow();
}
void frmMain::mnuReboot_Click() {
    mdlConsole::rebootNow();
}

void frmMain::Image1_Click() {
    mdlConsole::openWebSite();
}
void frmMain::mnuWebsite_Click() {
    mdlConsole::openWebSite();
}

void frmMain::cmdUpdateNow_Click() {
    agent_->RunServerInfoNow();
}

void frmMain::cmdResetAlert_Click() {
    mdlConsole::resetAlert(*agent_);
}
void frmMain::mnuResetAlert_Click() {
    mdlConsole::resetAlert(*agent_);
}

void frmMain::cmdHideRight_Click() {
    toggleServerPanel({{10185, 7140}, {5670, 5625}});
}
void frmMain::mnuHideServer_Click() {
    toggleServerPanel({{10185, 6855}, {5685, 5340}});
}

void frmMain::toggleServerPanel(const PanelSizes& sizes) {
    const bool hide = !ServerPanelHidden;
    setOuterSize(hide ? sizes.hide : sizes.show);
    cmdHideRight->setText(hide ? QStringLiteral("Show >>") : QStringLiteral("Hide >>"));
    Label4->setVisible(!hide);
    Text3->setVisible(!hide);
    ServerPanelHidden = hide;
}

void frmMain::cmdMinimize_Click() {
    minimiseWindow();
}
void frmMain::mnuClose_Click() {
    minimiseWindow();
}

void frmMain::Command2_Click() {
    mdlConsole::shutDownAgent(*this);
}
void frmMain::mnuShutdown_Click() {
    mdlConsole::shutDownAgent(*this);
}

void frmMain::mnuIPNumber_Click() {
    mdlConsole::showIpAddress(agent_->state());
}

void frmMain::mnuAbout_Click() {
    showModal<frmAbout>(this);
}

// The tree

void frmMain::TreeView1_NodeClick(QTreeWidgetItem* node) {
    SelectedNodeKey = node->data(0, Qt::UserRole).toString();
}

void frmMain::TreeView1_DblClick() {
    mdlConsole::openSlotFolder(agent_->state(), SelectedNodeKey);
}

void frmMain::TreeView1_KeyPress(int KeyAscii) {
    mdlConsole::showKeyCode(KeyAscii);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    // The double click counts anywhere in the tree, on a node or not.
    if (watched == TreeView1->viewport() && event->type() == QEvent::MouseButtonDblClick)
        TreeView1_DblClick();
    if (watched == TreeView1 && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty())
            TreeView1_KeyPress(text.at(0).unicode());
    }
    return QMainWindow::eventFilter(watched, event);
}

// The notification area and hiding

// Any single click brings the window forward (a hidden one stays hidden); a double click shows it. The icon
// has no menu.
void frmMain::TrayIcon_Activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::Context:
        bringToFront();
        break;
    case QSystemTrayIcon::DoubleClick:
        showNormal();
        bringToFront();
        break;
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        break;
    }
}

void frmMain::bringToFront() {
    raise();
    activateWindow();
}

void frmMain::Form_Resize() {
    if (!isMinimized() || !isVisible())
        return;
    if (platform::Seam<platform::NotificationArea>::get().available())
        hide();
    else
        noteNoNotificationArea();
}

void frmMain::noteNoNotificationArea() {
    if (!agent_->logText().contains(kNoNotificationArea))
        agent_->appendLog(kNoNotificationArea);
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

// The window manager's close hides the window like the agent's own close commands.
void frmMain::closeEvent(QCloseEvent* event) {
    event->ignore();
    minimiseWindow();
}

// AgentView

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
    const auto picture = [this](TreeImage image) { return ImageList1.at(static_cast<int>(image) - 1); };
    QTreeWidgetItem* root = treeNode(FolderTree::kRootKey, FolderTree::kRootText, picture(TreeImage::Folder));
    TreeView1->addTopLevelItem(root);
    for (const FolderNode& node : tree.children())
        root->addChild(treeNode(node.key, node.text, picture(node.image)));
    root->setExpanded(true);
}

void frmMain::ensureFolderVisible(const QString& key) {
    // Walked rather than searched: a wildcard search skips texts with a "/", which every folder path has.
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toString() == key)
            TreeView1->scrollToItem(*it);
    }
}

void frmMain::showStatusPicture(const QByteArray& picture) {
    QPixmap pixmap;
    pixmap.loadFromData(picture);
    Image2->setPixmap(pixmap);
}

void frmMain::minimiseWindow() {
    setWindowState(windowState() | Qt::WindowMinimized);
}

// Without a close button the window can only be hidden or the agent shut down. A window first shown
// minimised is hidden at once, as any minimised window is.
void frmMain::disableCloseMenu() {
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    show();
    Form_Resize();
}

void frmMain::addTrayIcon(const QString& tooltip) {
    TrayIcon->setIcon(windowIcon());
    TrayIcon->setToolTip(tooltip);
    TrayIcon->show();
}

void frmMain::showTrayFrame(int frame, const QString& tooltip) {
    TrayIcon->setIcon(ImageList2.at(frame - 1));
    TrayIcon->setToolTip(tooltip);
}

void frmMain::restoreTrayIcon(const QString& tooltip) {
    TrayIcon->setIcon(windowIcon());
    TrayIcon->setToolTip(tooltip);
}

void frmMain::removeTrayIcon() {
    TrayIcon->hide();
}

std::optional<int> frmMain::runFirstRunSetup() {
    if (platform::Seam<SetupWindow>::get().run(*agent_))
        return 0;
    return std::nullopt;
}
