#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class Agent;

// First-run setup: asks for the computer's one-word name. Accepted once setup is complete (the program
// then ends); rejected when the operator closes it or the name was refused.
class frmSetup : public QDialog {
    Q_OBJECT
public:
    explicit frmSetup(Agent& agent, QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* Text1;
    QPushButton* cmdWrite;

    void cmdWrite_Click();

private:
    void addFrameLines();

    Agent& agent;
};
