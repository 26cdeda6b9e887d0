#pragma once
// The service panel: the controls the main window keeps out of view, in a window of their own. They stand in
// three columns (the current read-outs and the commands; the trace boxes; the tag's diagnostic read-outs)
// laid out by their texts, so that no caption is cut off whatever the language, the font or the screen's
// scale, in a scroll area for a screen too small to hold them all.

#include <QWidget>
#include <array>

class QLabel;
class QVBoxLayout;

namespace kestrel {

class ServicePanel : public QWidget {
    Q_OBJECT
  public:
    enum class Column { Commands, Trace, Diagnostics };

    explicit ServicePanel(QWidget* parent);
    // The parent of the panel's controls.
    QWidget* area() const { return area_; }
    // Adds `control` under the last one of `column`, the width of the column; a control that `grows` takes
    // the room the window has beyond what the column asks for.
    void add(Column column, QWidget* control, bool grows = false);
    // Adds `field` under the last one of `column`, with its caption before it (the captions of consecutive
    // fields stand in a column of their own).
    void add(Column column, QLabel* caption, QWidget* field);
    // The size the controls ask for.
    void fitToContents();

  private:
    QVBoxLayout* column(Column c) const { return columns_[static_cast<int>(c)]; }

    QWidget* area_ = nullptr;
    std::array<QVBoxLayout*, 3> columns_{};
};

}  // namespace kestrel
