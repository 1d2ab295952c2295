#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

// Options that the agent does not have yet: the window shows them, and both buttons only close it.
class frmOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmOptions(QWidget* parent = nullptr);

    QTabWidget* SSTab1;
    QGroupBox* Frame1;
    QGroupBox* Frame2;
    QGroupBox* Frame3;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QCheckBox* Check1;
    QLabel* Label7;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

    void cmdOk_Click();
    void cmdCancel_Click();

private:
    QGroupBox* addTab(const QString& caption, const QString& frameCaption);
    // One line of a frame: what the value is, its box with the initial text, and its unit.
    QLineEdit* addSetting(QGroupBox* frame, int top, const QString& caption, const QString& value,
                          const QString& unit);
};
