#pragma once

#include "platform/MessageBox.h"

#include <QList>

// Records every box instead of showing it; questions take the next scripted answer (No once none is left).
class FakeMessageBox final : public platform::MessageBox {
public:
    QList<bool> answers;
    QList<platform::ShownBox> shown;

    bool show(const platform::ShownBox& box) override {
        shown.append(box);
        return box.question && !answers.isEmpty() && answers.takeFirst();
    }
};
