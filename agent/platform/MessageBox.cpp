#include "platform/MessageBox.h"

#include <cstdio>

namespace platform {

namespace {

// Without a desktop (the command-line run) a box can only be written out; a question is then answered No.
class ConsoleMessageBox final : public MessageBox {
public:
    bool show(const ShownBox& box) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(box.title), qPrintable(box.text));
        return false;
    }
};

} // namespace

template <> MessageBox& Seam<MessageBox>::real() {
    static ConsoleMessageBox console;
    return console;
}

bool MessageBox::askYesNo(const QString& text, const QString& title) {
    return Seam<MessageBox>::get().show({text, title, true, BoxIcon::None});
}

void MessageBox::inform(const QString& text, const QString& title, BoxIcon icon) {
    Seam<MessageBox>::get().show({text, title, false, icon});
}

} // namespace platform
