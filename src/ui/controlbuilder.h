#pragma once
// Small helpers that create a control under its name, at its place (its rectangle in the parent), in its
// group.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <optional>

#include "ui/controlgroups.h"

namespace kestrel::build {

using Group = std::optional<ControlGroup>;

template <typename T>
T* place(QWidget* parent, const QString& name, const QRect& at, Group group = std::nullopt) {
    T* control = new T(parent);
    control->setObjectName(name);
    control->setGeometry(at);
    if (group) setGroup(control, *group);
    return control;
}

inline QLabel* label(QWidget* parent, const QString& name, const QString& text, const QRect& at,
                     Group group = std::nullopt) {
    QLabel* l = place<QLabel>(parent, name, at, group);
    // Never rich text: what a label shows may come from the wire, and plain text is also set faster (no
    // guessing at markup on every change).
    l->setTextFormat(Qt::PlainText);
    l->setText(text);
    return l;
}

// A read-out: a sunken label.
inline QLabel* readout(QWidget* parent, const QString& name, const QString& text, const QRect& at,
                       Group group = std::nullopt) {
    QLabel* l = label(parent, name, text, at, group);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}

inline QPushButton* button(QWidget* parent, const QString& name, const QString& text, const QRect& at,
                           Group group = std::nullopt) {
    QPushButton* b = place<QPushButton>(parent, name, at, group);
    b->setText(text);
    b->setAutoDefault(false);
    return b;
}

inline QLineEdit* edit(QWidget* parent, const QString& name, const QRect& at, Group group = std::nullopt,
                       const QString& text = {}) {
    QLineEdit* e = place<QLineEdit>(parent, name, at, group);
    e->setText(text);
    return e;
}

inline QGroupBox* frame(QWidget* parent, const QString& name, const QString& title, const QRect& at,
                        Group group = std::nullopt) {
    QGroupBox* g = place<QGroupBox>(parent, name, at, group);
    g->setTitle(title);
    return g;
}

}  // namespace kestrel::build
