#include "forms/WindowStyle.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <QWidget>

#include <algorithm>

QFont gothicFont(double points, bool bold) {
    QFont font;
    font.setFamilies(
        {QStringLiteral("Century Gothic"), QStringLiteral("URW Gothic"), QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont fittingFont(QFont font, const QString& text, int room) {
    constexpr double kSmallest = 6;
    while (font.pointSizeF() > kSmallest && QFontMetrics(font).horizontalAdvance(text) > room)
        font.setPointSizeF(std::max(kSmallest, font.pointSizeF() - 0.5));
    return font;
}

void paintBlack(QWidget* area) {
    QPalette palette = area->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, kLabelColour);
    area->setPalette(palette);
    area->setAutoFillBackground(true);
}

void paintStandard(QWidget* control) {
    const QPalette standard = QApplication::palette(control);
    QPalette palette = control->palette();
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText})
        palette.setColor(role, standard.color(role));
    control->setPalette(palette);
}

void centreOnScreen(QWidget* window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

QLabel* wrappedLabel(const QString& text, const QRect& geometry, const QFont& font, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setFont(font);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}
