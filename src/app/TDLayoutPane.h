#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace scrivane {

// The controls of the layout panel: the page size (paper size, or pages
// across and down while the document is sized in pages) and the four
// margins, each a text field read when editing finishes.
class TDLayoutPane : public QWidget {
    Q_OBJECT
public:
    explicit TDLayoutPane(QWidget *parent = nullptr);

    QLineEdit *documentWidth = nullptr;
    QLineEdit *documentHeight = nullptr;
    QCheckBox *documentSizeInPages = nullptr;
    QLineEdit *documentMarginLeft = nullptr;
    QLineEdit *documentMarginRight = nullptr;
    QLineEdit *documentMarginTop = nullptr;
    QLineEdit *documentMarginBottom = nullptr;
};

} // namespace scrivane
