#pragma once

#include "forms/FolderList.h"
#include "modules/Agent.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// Adds a folder with its file-count limit to the lowest free slot. Created for each use, so it always
// opens with its initial contents.
class frmAddNewMonitor : public QDialog {
    Q_OBJECT
public:
    explicit frmAddNewMonitor(Agent& agent, QWidget* parent = nullptr);

    QLabel* Label1;
    QComboBox* Drive1;
    FolderList* Dir1;
    QLabel* lblOpenFolder;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* Text1;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

    void Drive1_Change();
    void cmdOk_Click();
    void cmdCancel_Click();

private:
    void fillDrives();
    // The drive list names the drive of the folder the list has open.
    void showDriveOfOpenFolder();

    Agent& agent;
};
