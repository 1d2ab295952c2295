#pragma once

#include <functional>
#include <QString>

inline const QString kLineBreak = QStringLiteral("\r\n");

// The main window's running log (Text1). Its whole text is the log; a message is appended with a CR LF
// after it, and the window is told of every change.
class StatusLog {
public:
    void append(const QString& message) { appendRaw(message + kLineBreak); }
    void appendRaw(const QString& text) { setText(content + text); }
    void clear() { setText(QString()); }
    void setText(const QString& text) {
        content = text;
        if (onChange)
            onChange(content);
    }
    const QString& text() const { return content; }

    std::function<void(const QString&)> onChange;

private:
    QString content;
};
