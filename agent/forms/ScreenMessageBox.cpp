#include "forms/ScreenMessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon toolkitIcon(platform::BoxIcon icon) {
    switch (icon) {
    case platform::BoxIcon::Information:
        return QMessageBox::Information;
    case platform::BoxIcon::Critical:
        return QMessageBox::Critical;
    case platform::BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

bool ScreenMessageBox::show(const platform::ShownBox& box) {
    const auto buttons = box.question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox dialog(toolkitIcon(box.icon), box.title, box.text, buttons);
    return dialog.exec() == QMessageBox::Yes;
}
