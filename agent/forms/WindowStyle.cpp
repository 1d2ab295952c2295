#include "forms/WindowStyle.h"

#include <QApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

QFont gothicFont(double points, bool bold) {
    QFont font;
    font.setFamilies(
        {QStringLiteral("Century Gothic"), QStringLiteral("URW Gothic"), QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(points);
    font.setBold(bold);
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
