#include "app/TDDocumentWindow.h"

#include "canvas/TDDocumentToolbar.h"
#include "canvas/TDGraphicView.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include <span>

namespace scrivane {

namespace {

// What a command needs selected, as its tag says: 1 something, 2 two
// graphics, 3 selected nodes in the edit tool, 5 to 9 something (and the
// variant), 10 and above two graphics outside the edit tool, 30 a group.
struct Command {
    const char *name;
    const char *title;
    const char *key;
    int tag;
    void (*run)(TDGraphicView &, int);
};

// Ctrl+Alt with the arrows switches workspaces on many desktops: the
// alignments take the digits instead.
constexpr Command kArrange[] = {
    {"group", "&Group", "Ctrl+G", 2, [](TDGraphicView &v, int) { v.group(); }},
    {"ungroup", "&Ungroup", "Ctrl+Shift+G", 30, [](TDGraphicView &v, int) { v.ungroup(); }},
    {nullptr, nullptr, nullptr, 0, nullptr},
    {"bringToFront", "Bring to &Front", "Ctrl+Shift+]", 1, [](TDGraphicView &v, int) { v.bringToFront(); }},
    {"bringForward", "Bring F&orward", "Ctrl+]", 1, [](TDGraphicView &v, int) { v.bringForward(); }},
    {"sendBackward", "Send Back&ward", "Ctrl+[", 1, [](TDGraphicView &v, int) { v.sendBackward(); }},
    {"sendToBack", "Send to Bac&k", "Ctrl+Shift+[", 1, [](TDGraphicView &v, int) { v.sendToBack(); }},
    {nullptr, nullptr, nullptr, 0, nullptr},
    {"alignLeft", "Align &Left Edges", "Ctrl+Alt+1", 10, [](TDGraphicView &v, int t) { v.align(t); }},
    {"alignRight", "Align &Right Edges", "Ctrl+Alt+2", 11, [](TDGraphicView &v, int t) { v.align(t); }},
    {"alignTop", "Align &Top Edges", "Ctrl+Alt+3", 12, [](TDGraphicView &v, int t) { v.align(t); }},
    {"alignBottom", "Align &Bottom Edges", "Ctrl+Alt+4", 13, [](TDGraphicView &v, int t) { v.align(t); }},
    {"alignHorizontalCenters", "Align &Horizontal Centers", "Ctrl+Alt+5", 14,
     [](TDGraphicView &v, int t) { v.align(t); }},
    {"alignVerticalCenters", "Align &Vertical Centers", "Ctrl+Alt+6", 15,
     [](TDGraphicView &v, int t) { v.align(t); }},
    {nullptr, nullptr, nullptr, 0, nullptr},
    {"distributeHorizontally", "&Distribute Horizontally", "Ctrl+Alt+7", 20,
     [](TDGraphicView &v, int t) { v.distribute(t); }},
    {"distributeVertically", "Distribute V&ertically", "Ctrl+Alt+8", 21,
     [](TDGraphicView &v, int t) { v.distribute(t); }},
    {"flipHorizontally", "&Flip Horizontally", "Ctrl+Alt+H", 5, [](TDGraphicView &v, int t) { v.flip(t); }},
    {"flipVertically", "Flip Verti&cally", "Ctrl+Alt+Shift+H", 6, [](TDGraphicView &v, int t) { v.flip(t); }},
};

constexpr Command kPath[] = {
    {"boolAdd", "&Add", "Ctrl+Alt+U", 2, [](TDGraphicView &v, int) { v.boolAdd(); }},
    {"boolSubtract", "&Subtract", "Ctrl+Alt+S", 2, [](TDGraphicView &v, int) { v.boolSubtract(); }},
    {"boolIntersect", "&Intersect", "Ctrl+Alt+I", 2, [](TDGraphicView &v, int) { v.boolIntersect(); }},
    {"boolXOR", "E&xclusive Or", "Ctrl+Alt+X", 2, [](TDGraphicView &v, int) { v.boolXOR(); }},
    {"boolCut", "C&ut", "Ctrl+Alt+K", 2, [](TDGraphicView &v, int) { v.boolCut(); }},
    {"boolDivide", "&Divide", "Ctrl+Alt+B", 2, [](TDGraphicView &v, int) { v.boolDivide(); }},
    {"boolOutline", "&Outline", "Ctrl+Alt+O", 1, [](TDGraphicView &v, int) { v.boolOutline(); }},
    {nullptr, nullptr, nullptr, 0, nullptr},
    {"combine", "&Combine", "Ctrl+J", 2, [](TDGraphicView &v, int) { v.combine(); }},
    {"split", "S&plit", "Ctrl+Shift+J", 1, [](TDGraphicView &v, int) { v.split(); }},
    {nullptr, nullptr, nullptr, 0, nullptr},
    {"convertToBezier", "Convert to &Path", "Ctrl+Shift+P", 1, [](TDGraphicView &v, int) { v.convertToBezier(); }},
    {"convertToOutline", "Convert to Out&line", "Ctrl+Shift+O", 1,
     [](TDGraphicView &v, int) { v.convertToOutline(); }},
    {"convertToBitmap", "Convert to &Bitmap", "Ctrl+Shift+B", 1, [](TDGraphicView &v, int) { v.convertToBitmap(); }},
    {"reversePath", "&Reverse Path", "Ctrl+Shift+R", 1, [](TDGraphicView &v, int) { v.reversePath(); }},
    {nullptr, nullptr, nullptr, 0, nullptr},
    {"curveNodes", "Cur&ve Nodes", "Ctrl+Alt+C", 3, [](TDGraphicView &v, int) { v.curveNodes(); }},
    {"lineNodes", "&Flatten Nodes", "Ctrl+Alt+F", 3, [](TDGraphicView &v, int) { v.lineNodes(); }},
    {"splitNodes", "Spli&t Nodes", "Ctrl+Alt+Shift+S", 3, [](TDGraphicView &v, int) { v.splitNodes(); }},
    {"cutNodes", "Cut &Nodes", "Ctrl+Alt+Shift+K", 3, [](TDGraphicView &v, int) { v.cutNodes(); }},
    {"connectNodes", "Co&nnect Nodes", "Ctrl+Alt+J", 3, [](TDGraphicView &v, int) { v.connectNodes(); }},
};

struct ToolbarCommand {
    const char *identifier;
    void (*run)(TDGraphicView &, int);
};

constexpr ToolbarCommand kToolbar[] = {
    {"union", [](TDGraphicView &v, int) { v.boolAdd(); }},
    {"subtract", [](TDGraphicView &v, int) { v.boolSubtract(); }},
    {"intersect", [](TDGraphicView &v, int) { v.boolIntersect(); }},
    {"xor", [](TDGraphicView &v, int) { v.boolXOR(); }},
    {"align-bottom", [](TDGraphicView &v, int tag) { v.align(tag); }},
    {"align-top", [](TDGraphicView &v, int tag) { v.align(tag); }},
    {"align-left", [](TDGraphicView &v, int tag) { v.align(tag); }},
    {"align-right", [](TDGraphicView &v, int tag) { v.align(tag); }},
    {"combine", [](TDGraphicView &v, int) { v.combine(); }},
    // Separating a path is splitting it into one graphic per subpath.
    {"separate", [](TDGraphicView &v, int) { v.split(); }},
};

} // namespace

void TDDocumentWindow::buildCommandMenus()
{
    TDGraphicView *canvas = m_graphicView;
    auto fill = [this, canvas](QMenu *menu, std::span<const Command> commands) {
        for (const Command &c : commands) {
            if (!c.name) {
                menu->addSeparator();
                continue;
            }
            QAction *item = addCommand(menu, QString::fromLatin1(c.name), QString::fromUtf8(c.title),
                                       QKeySequence(QString::fromLatin1(c.key)), TDGraphicView::MenuTag(c.tag),
                                       [canvas, run = c.run, tag = c.tag] { run(*canvas, tag); });
            item->setData(c.tag);
        }
    };
    fill(menuBar()->addMenu(QStringLiteral("&Arrange")), kArrange);
    fill(menuBar()->addMenu(QStringLiteral("&Path")), kPath);

    // The toolbar's command items run the same commands as the menus.
    for (const ToolbarCommand &c : kToolbar) {
        m_toolbar->setItemCommand(QString::fromLatin1(c.identifier), [canvas = QPointer<TDGraphicView>(canvas),
                                                                     run = c.run](int tag) {
            if (canvas)
                run(*canvas, tag);
        });
    }
}

} // namespace scrivane
