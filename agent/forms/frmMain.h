#pragma once

#include "modules/Agent.h"
#include "modules/AgentView.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

// The operator's console: it shows the agent and turns the operator's clicks into the agent's commands.
class frmMain : public QMainWindow, public AgentView {
    Q_OBJECT
public:
    frmMain(AgentState& state, const AgentConfig& config, QWidget* parent = nullptr);

    Agent agent;

    QPlainTextEdit* Text1;
    QPlainTextEdit* Text3;
    QLabel* lblVersionNumber;
    QTreeWidget* TreeView1;
    QLabel* Image2;
    QPushButton* cmdUpdateNow;
    QPushButton* cmdStart;
    QPushButton* cmdStop;
    QAction* mnuStartMonitor;
    QAction* mnuStopMonitor;

    void cmdUpdateNow_Click();
    void cmdStart_Click();
    void mnuStartMonitor_Click();
    void cmdStop_Click();
    void mnuStopMonitor_Click();

    // AgentView
    void showLog(const QString& text) override;
    void showServerMessage(const QString& text) override;
    void setScanNowEnabled(bool enabled) override;
    void showMonitoring(bool on) override;
    void showVersion(const QString& caption) override;
    void showFolderTree(const FolderTree& tree) override;
    void ensureFolderVisible(const QString& key) override;
    void showStatusPicture(const QImage& picture) override;
    void minimiseWindow() override;
    void disableCloseMenu() override;
    std::optional<int> runFirstRunSetup() override;

private:
    QPushButton* addButton(const QString& caption, const QRect& twips);
    void buildMenus();
};
