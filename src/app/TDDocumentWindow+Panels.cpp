// The Window menu: the panels' palettes, each item tagged with its panel;
// an item shows a hidden palette and closes a shown one.

#include "app/TDAppDelegate.h"
#include "app/TDDocumentWindow.h"
#include "app/TDInspectorController.h"

#include <QMenu>
#include <QMenuBar>

namespace scrivane {

void TDDocumentWindow::buildPanelMenu()
{
    using Panel = TDInspectorController::Panel;
    struct Item {
        const char *name;
        const char *title;
        Panel panel;
    };
    static constexpr Item items[] = {
        {"showFill", "&Fill", Panel::Fill},
        {"showStroke", "&Stroke", Panel::Stroke},
        {"showShadow", "Shadow and &Opacity", Panel::Shadow},
        {"showLayers", "La&yers", Panel::Layers},
        {"showEffects", "&Effects", Panel::Effects},
        {"showTransform", "&Transform", Panel::Transform},
        {"showLayout", "&Layout", Panel::Layout},
        {"showGrid", "&Grid", Panel::Grid},
        {"showText", "Te&xt", Panel::Text},
    };
    QMenu *menu = menuBar()->addMenu(QStringLiteral("&Window"));
    menu->setObjectName(QStringLiteral("window"));
    for (const Item &item : items) {
        QAction *action = addAction(menu, QString::fromLatin1(item.name), QString::fromUtf8(item.title),
                                    QKeySequence(), [panel = item.panel] {
                                        if (TDAppDelegate *delegate = TDAppDelegate::shared())
                                            delegate->showInspectorPanelAction(int(panel));
                                        else if (TDInspectorController *inspector = TDInspectorController::shared())
                                            inspector->showInspector(int(panel));
                                    });
        action->setData(int(item.panel));
    }
}

} // namespace scrivane
