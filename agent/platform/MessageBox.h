#pragma once

#include <QList>
#include <QString>

namespace platform {

enum class BoxIcon { None, Information, Critical };

struct ShownBox {
    QString text;
    QString title;
    bool question = false;
    BoxIcon icon = BoxIcon::None;
};

// Every message box the agent shows. Tests script the answers instead of opening modal boxes: after
// script(), boxes are recorded, nothing is shown, and questions take the next scripted answer (No
// when none is left).
class MessageBox {
public:
    static inline const QString kApplicationTitle = QStringLiteral("KOVA Oru Web");

    // Yes and No buttons, no icon; true only for Yes.
    static bool askYesNo(const QString& text, const QString& title);
    // One OK button.
    static void inform(const QString& text, const QString& title = kApplicationTitle,
                       BoxIcon icon = BoxIcon::None);

    static void script();
    static void unscript();
    static void setNextAnswers(const QList<bool>& yesAnswers);
    static const QList<ShownBox>& shown();
    static void clearShown();
};

} // namespace platform
