#pragma once

#include "forms/PictureLabel.h"
#include "modules/Agent.h"
#include "modules/AgentView.h"

#include <QAction>
#include <QIcon>
#include <QLabel>
#include <QList>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTreeWidget>

// The operator's console: it shows the agent and turns the operator's clicks into the agent's commands.
class frmMain : public QMainWindow, public AgentView {
    Q_OBJECT
public:
    frmMain(AgentState& state, const AgentConfig& config, QWidget* parent = nullptr);
    // Form_Unload: the icon leaves the notification area with the window.
    ~frmMain() override;

    Agent agent;
    // The key of the tree node last clicked; empty until the first click.
    QString SelectedNodeKey;
    // The log, the logo and the server message are cut off.
    bool ServerPanelHidden = false;

    // Controls, from back to front
    QLabel* Image3;
    QPushButton* cmdOptions;
    QPushButton* cmdDelete;
    QPushButton* cmdAddNew;
    QPushButton* cmdStart;
    QPushButton* cmdStop;
    QPushButton* cmdRebootNow;
    PictureLabel* Image1;
    QLabel* lblVersionNumber;
    QLabel* Label2;
    QLabel* Label1;
    QTreeWidget* TreeView1;
    QPushButton* cmdUpdateNow;
    QPlainTextEdit* Text1;
    QPushButton* cmdResetAlert;
    QPushButton* cmdHideRight;
    QPushButton* cmdMinimize;
    QPushButton* Command2;
    QLabel* Label3;
    QLabel* Image2;
    QLabel* Label4;
    QPlainTextEdit* Text3;

    QMenu* mnuFile;
    QAction* mnuStartMonitor;
    QAction* mnuStopMonitor;
    QAction* mnuLine2;
    QAction* mnuClose;
    QAction* mnuShutdown;
    QMenu* mnuOruTools;
    QAction* mnuResetAlert;
    QAction* mnuHideServer;
    QAction* mnuAddFolder;
    QAction* mnuDeletefolder;
    QAction* mnuLine1;
    QAction* mnuOptions;
    QMenu* mnuSysTool;
    QAction* mnuIPNumber;
    QAction* mnuReboot;
    QMenu* mnuHelp;
    QAction* mnuAbout;
    QAction* mnuWebsite;

    // The tree's pictures by TreeImage number less one, and the 17 animation frames.
    QList<QIcon> ImageList1;
    QList<QIcon> ImageList2;
    QSystemTrayIcon* TrayIcon;

    void cmdOptions_Click();
    void mnuOptions_Click();
    void cmdDelete_Click();
    void mnuDeletefolder_Click();
    void cmdAddNew_Click();
    void mnuAddFolder_Click();
    void cmdStart_Click();
    void mnuStartMonitor_Click();
    void cmdStop_Click();
    void mnuStopMonitor_Click();
    void cmdRebootNow_Click();
    void mnuReboot_Click();
    void Image1_Click();
    void mnuWebsite_Click();
    void cmdUpdateNow_Click();
    void cmdResetAlert_Click();
    void mnuResetAlert_Click();
    void cmdHideRight_Click();
    void mnuHideServer_Click();
    void cmdMinimize_Click();
    void mnuClose_Click();
    void Command2_Click();
    void mnuShutdown_Click();
    void mnuIPNumber_Click();
    void mnuAbout_Click();
    void TreeView1_NodeClick(QTreeWidgetItem* node);
    void TreeView1_DblClick();
    void TreeView1_KeyPress(int KeyAscii);
    void tmrIconLoop_Timer();
    void TrayIcon_Activated(QSystemTrayIcon::ActivationReason reason);
    void Form_Resize();

    // AgentView
    void showLog(const QString& text) override;
    void showServerMessage(const QString& text) override;
    void setScanNowEnabled(bool enabled) override;
    void showMonitoring(bool on) override;
    void showVersion(const QString& caption) override;
    void showFolderTree(const FolderTree& tree) override;
    void ensureFolderVisible(const QString& key) override;
    void showStatusPicture(const QByteArray& picture) override;
    void minimiseWindow() override;
    void disableCloseMenu() override;
    void addTrayIcon(const QString& tooltip) override;
    void showTrayFrame(int frame, const QString& tooltip) override;
    void restoreTrayIcon(const QString& tooltip) override;
    void removeTrayIcon() override;
    std::optional<int> runFirstRunSetup() override;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Outer sizes in twips of the two commands that hide and show the right and lower areas.
    struct PanelSizes {
        QSize show;
        QSize hide;
    };

    void buildControls();
    void buildMenus();
    void loadPictures();
    using Handler = void (frmMain::*)();
    QPushButton* pictureButton(const QString& picture, const QString& tip, const QRect& geometry,
                               Handler handler);
    QPushButton* commandButton(const QString& caption, const QRect& geometry, Handler handler);
    QLabel* heading(const QString& caption, const QRect& geometry);

    // The client area is the window without its menu bar and frame; the outer size includes both. Outer
    // sizes are what the hide command sets.
    void setClientSize(int widthTwips, int heightTwips);
    void setOuterSize(const QSize& twips);

    void toggleServerPanel(const PanelSizes& sizes);
    void deleteFolder();
    void bringToFront();
    // Without a notification area the window stays in the task bar when minimised; the log says why.
    void noteNoNotificationArea();
};
