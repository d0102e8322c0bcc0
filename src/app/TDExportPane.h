#pragma once

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace scrivane {

// The export accessory: the format (items tagged -1 BMP, 0 EPS, 1 JPEG,
// 2 PDF, 3 PNG, 4 TIFF, 6 SVG, 7 GIF), the resolution in dots per inch,
// the transparent background and the scope (0 the selection, 1 the whole
// document).  It keeps its settings from one export to the next.
class TDExportPane : public QWidget {
    Q_OBJECT
public:
    explicit TDExportPane(QWidget *parent = nullptr);

    QComboBox *formatPopup() const { return m_format; }
    QLineEdit *resolutionField() const { return m_dpi; }
    QCheckBox *transparentBox() const { return m_transparent; }
    QRadioButton *selectionCell() const { return m_selection; }
    QRadioButton *documentCell() const { return m_document; }

    // The tag of the chosen format; setting an unknown tag changes nothing.
    int formatTag() const;
    void setFormatTag(int tag);
    // The resolution field's whole number; 72 when it is below 1 or holds
    // no number.
    int dpi() const;
    bool transparent() const;
    // The tag of the chosen scope cell.
    int scopeTag() const;
    void setScopeTag(int tag);

    void enableSelectionBounds(bool enable);
    void enableResolution(bool enable);
    void enableTransparent(bool enable);
    // Whether the format can be chosen at all.
    void setFormatEnabled(int tag, bool enabled);
    bool isFormatEnabled(int tag) const;
    // The popup's title of a format ("SVG Folder" while the export will
    // write a folder).
    void setFormatTitle(int tag, const QString &title);
    QString formatTitle(int tag) const;

Q_SIGNALS:
    // The format or the scope changed: the dialog updates its file types.
    void formatChanged();

private:
    QComboBox *m_format;
    QLineEdit *m_dpi;
    QLabel *m_dpiLabel;
    QCheckBox *m_transparent;
    QButtonGroup *m_scope;
    QRadioButton *m_selection;
    QRadioButton *m_document;
};

} // namespace scrivane
