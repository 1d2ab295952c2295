#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

// The product notice.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* imgLogo;
    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* KeyFingerprint; // what the operator compares with the server's list before approving
    QPushButton* Command1;

    void Command1_Click();
};
