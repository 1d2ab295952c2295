#pragma once

#include "Seam.h"

#include <QString>

namespace platform {

enum class BoxIcon { None, Information, Critical };

struct ShownBox {
    QString text;
    QString title;
    bool question = false;
    BoxIcon icon = BoxIcon::None;
};

// Every message box the agent shows. The real service writes the box to standard error and answers No,
// which is all a run without a desktop can do; the window library puts its on-screen boxes in place.
// Tests put a recorder in place that scripts the answers.
class MessageBox {
public:
    static inline const QString kApplicationTitle = QStringLiteral("KOVA Oru Web");

    virtual ~MessageBox() = default;
    // Shows the box; true only when a question was answered Yes.
    virtual bool show(const ShownBox& box) = 0;

    // Yes and No buttons, no icon; true only for Yes.
    static bool askYesNo(const QString& text, const QString& title);
    // One OK button.
    static void inform(const QString& text, const QString& title = kApplicationTitle,
                       BoxIcon icon = BoxIcon::None);
};

template <> MessageBox& Seam<MessageBox>::real();

} // namespace platform
