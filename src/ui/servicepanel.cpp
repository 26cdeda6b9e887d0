#include "ui/servicepanel.h"

#include <QFormLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace kestrel {

ServicePanel::ServicePanel(QWidget* parent) : QWidget(parent, Qt::Window) {
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    area_ = new QWidget;
    auto* row = new QHBoxLayout(area_);
    for (QVBoxLayout*& c : columns_) {
        c = new QVBoxLayout;
        // The room below the last control, until a control takes it.
        c->addStretch(1);
        row->addLayout(c);
    }
    // The trace boxes take what room the window gives beyond what the columns ask for.
    row->setStretch(static_cast<int>(Column::Trace), 1);
    scroll->setWidget(area_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}

void ServicePanel::add(Column c, QWidget* control, bool grows) {
    QVBoxLayout* layout = column(c);
    const int end = layout->count() - 1;  // the room below
    layout->insertWidget(end, control, grows ? 1 : 0);
    if (grows) layout->setStretch(end + 1, 0);
}

void ServicePanel::add(Column c, QLabel* caption, QWidget* field) {
    QVBoxLayout* layout = column(c);
    const int end = layout->count() - 1;
    auto* fields = end > 0 ? qobject_cast<QFormLayout*>(layout->itemAt(end - 1)->layout()) : nullptr;
    if (!fields) {
        fields = new QFormLayout;
        layout->insertLayout(end, fields);
    }
    fields->addRow(caption, field);
}

void ServicePanel::fitToContents() {
    // The scroll area gives the controls their room when it is shown; until then they take what they ask.
    area_->resize(area_->sizeHint());
    resize(area_->sizeHint());
}

}  // namespace kestrel
