#pragma once

#include <QWidget>

class QScrollArea;
class QToolButton;

namespace scrivane {

class FilterListView;

// The effects pane: the add button, whose menu lists the effects by
// category, over the scrolling list of filter views.  What it shows and
// does is the effects controller's (CIController).
class TDEffectsPane : public QWidget {
    Q_OBJECT
public:
    explicit TDEffectsPane(QWidget *parent = nullptr);

    QToolButton *addButton = nullptr;
    QScrollArea *scrollView = nullptr;
    FilterListView *interfaceView = nullptr;

Q_SIGNALS:
    // The visible part of the list changed size.
    void resized();

protected:
    void resizeEvent(QResizeEvent *event) override;
};

} // namespace scrivane
