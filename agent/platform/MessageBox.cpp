#include "platform/MessageBox.h"

#include <cstdio>
#include <QApplication>
#include <QMessageBox>

namespace platform {

namespace {

struct Script {
    bool active = false;
    QList<bool> answers;
    QList<ShownBox> shown;
};

Script& script() {
    static Script instance;
    return instance;
}

QMessageBox::Icon toolkitIcon(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::Critical:
        return QMessageBox::Critical;
    case BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Without a desktop (the command-line run) a box can only be written out; a question is then answered No.
bool hasDesktop() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

bool show(const ShownBox& box) {
    Script& s = script();
    if (s.active) {
        s.shown.append(box);
        return box.question && !s.answers.isEmpty() && s.answers.takeFirst();
    }
    if (!hasDesktop()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(box.title), qPrintable(box.text));
        return false;
    }
    const auto buttons = box.question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox dialog(toolkitIcon(box.icon), box.title, box.text, buttons);
    return dialog.exec() == QMessageBox::Yes;
}

} // namespace

bool MessageBox::askYesNo(const QString& text, const QString& title) {
    return show({text, title, true, BoxIcon::None});
}

void MessageBox::inform(const QString& text, const QString& title, BoxIcon icon) {
    show({text, title, false, icon});
}

void MessageBox::script() {
    platform::script().active = true;
}

void MessageBox::unscript() {
    platform::script() = Script{};
}

void MessageBox::setNextAnswers(const QList<bool>& yesAnswers) {
    platform::script().answers = yesAnswers;
}

const QList<ShownBox>& MessageBox::shown() {
    return platform::script().shown;
}

void MessageBox::clearShown() {
    platform::script().shown.clear();
}

} // namespace platform
