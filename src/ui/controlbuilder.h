#pragma once
// Small helpers that create a control under its name, at its place, in its group.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <optional>

#include "ui/controlgroups.h"

namespace kestrel::build {

using Group = std::optional<ControlGroup>;

template <typename T>
T* place(QWidget* parent, const QString& name, int x, int y, int w, int h, Group group = std::nullopt) {
    T* control = new T(parent);
    control->setObjectName(name);
    control->setGeometry(x, y, w, h);
    if (group) setGroup(control, *group);
    return control;
}

inline QLabel* label(QWidget* parent, const QString& name, const QString& text, int x, int y, int w, int h,
                     Group group = std::nullopt) {
    QLabel* l = place<QLabel>(parent, name, x, y, w, h, group);
    l->setText(text);
    return l;
}

// A read-out: a sunken label.
inline QLabel* readout(QWidget* parent, const QString& name, const QString& text, int x, int y, int w, int h,
                       Group group = std::nullopt) {
    QLabel* l = label(parent, name, text, x, y, w, h, group);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}

inline QPushButton* button(QWidget* parent, const QString& name, const QString& text, int x, int y, int w,
                           int h, Group group = std::nullopt) {
    QPushButton* b = place<QPushButton>(parent, name, x, y, w, h, group);
    b->setText(text);
    b->setAutoDefault(false);
    return b;
}

inline QLineEdit* edit(QWidget* parent, const QString& name, int x, int y, int w, int h,
                       Group group = std::nullopt, const QString& text = {}) {
    QLineEdit* e = place<QLineEdit>(parent, name, x, y, w, h, group);
    e->setText(text);
    return e;
}

inline QGroupBox* frame(QWidget* parent, const QString& name, const QString& title, int x, int y, int w,
                        int h, Group group = std::nullopt) {
    QGroupBox* g = place<QGroupBox>(parent, name, x, y, w, h, group);
    g->setTitle(title);
    return g;
}

}  // namespace kestrel::build
