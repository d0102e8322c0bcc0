#pragma once

#include <QFont>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>
#include <vector>

class QFontDialog;

namespace scrivane {

class TDGraphicView;

// The application's font manager and its font panel.  The panel is a
// modeless font dialog; each change made in it is remembered as a
// conversion (a new family, a new style, a new size, or the whole font)
// that `convertFont` applies to any font, so that a size change keeps
// every run's family and a family change keeps every run's size.  The
// change is sent at once to the canvas the target finder answers (the
// canvas of the active document window), which applies it to the text
// edited there or to the text of its selected graphics.
//
// The manager also keeps the fonts the panel applied, most recent last,
// as the collection "Recently Used" (at most RecentLimit).
class TDFontManager : public QObject {
    Q_OBJECT
public:
    static constexpr int RecentLimit = 21;

    static TDFontManager &shared();
    explicit TDFontManager(QObject *parent = nullptr);
    ~TDFontManager() override;

    // The font the panel shows (the edited text's, as its editor reports).
    QFont selectedFont() const { return m_selected; }
    bool isMultiple() const { return m_multiple; }
    // Shows `font` in the panel without applying anything.
    void setSelectedFont(const QFont &font, bool multiple);
    // What the last change made of `font`.
    QFont convertFont(const QFont &font) const;

    // The change of the panel as the whole selected font, sent to the
    // target (a recent font chosen from a list).
    void modifyFontViaPanel();
    // A change made in the panel: what differs from the selected font is
    // the conversion; it is sent to the target.
    void panelChangedFont(const QFont &font);

    // The panel, made on first use.
    QFontDialog *fontPanel();
    bool hasFontPanel() const { return !m_panel.isNull(); }
    void orderFrontFontPanel();

    // Where changes go; by default the canvas of the active document window.
    using TargetFinder = std::function<TDGraphicView *()>;
    void setTargetFinder(TargetFinder finder) { m_targetFinder = std::move(finder); }

    // "Recently Used": most recent last.
    const std::vector<QFont> &recentlyUsed() const { return m_recent; }

Q_SIGNALS:
    // A conversion was sent (after the target applied it).
    void fontChanged();

private:
    struct Conversion {
        std::optional<QString> family;
        std::optional<QString> styleName;
        std::optional<int> weight;
        std::optional<bool> italic;
        std::optional<double> size;
    };
    void send();
    void noteRecentlyUsed(const QFont &font);

    QFont m_selected;
    bool m_multiple = false;
    Conversion m_conversion;
    QPointer<QFontDialog> m_panel;
    bool m_showing = false;
    TargetFinder m_targetFinder;
    std::vector<QFont> m_recent;
};

} // namespace scrivane
