#pragma once

#include "model/TDApplicationServices.h"
#include "platform/Profile.h"

#include "platform/LinkService.h"
#include "platform/effects/EffectRegistry.h"

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class QAction;

namespace scrivane {

class TDExportPane;
class TDScriptingService;
class TDInspectorController;
class UnitsTransformerService;

// The application's delegate: the registered defaults, the launch and quit
// steps, the menu key assignments that change while text is edited on the
// canvas, the export accessory the documents' exporters read, and the
// application-wide menu actions (units, re-centring).  One exists while the
// program runs; it installs itself (and the units transformer) as the
// model's application services and removes itself when it goes.
class TDAppDelegate : public QObject, public TDAppDelegateInterface, public LinkServerDelegate {
    Q_OBJECT
public:
    // Menu items whose key equivalents swap while text is edited.
    enum class MenuItem {
        ZoomIn,
        ZoomOut,
        BiggerText,
        SmallerText,
        CenterObjects,
        CenterText,
        Group,
        Ungroup,
        FindNext,
        FindPrevious,
        PasteAlternative,
        PasteStyle,
        Count
    };
    // Menu items whose check marks follow the main window's canvas.
    enum class CheckItem { CmykPreview, OutlineView, Isolation, Count };

    explicit TDAppDelegate(QObject *parent = nullptr);
    ~TDAppDelegate() override;

    // The delegate of the running program, or null.
    static TDAppDelegate *shared();

    // --- Program entry ---------------------------------------------------
    // The file name of the filter plug-in loaded at start.
    static const QString LumenfoldFileName;
    // Where the plug-ins built with the program lie, first match wins: the
    // folder named by SCRIVANE_PLUGIN_PATH, then "plugins" beside the
    // program and one level up (the build tree), then the library folder of
    // an installed program.
    static QStringList plugInFolders(const QString &applicationDirPath);
    // Loads the filter plug-in from the first folder that has it, into the
    // process's effects registry; nothing when no folder has it, and a
    // plug-in that fails to load is reported on the log and skipped.
    static std::optional<EffectPluginLoad> loadBuiltInPlugIns(const QStringList &folders);
    // Looks for the SVG importer (TDSvgImportPlugin) in the folders; the
    // one found takes the SVG files imported and the SVG pasted or dropped
    // from then on.  One that cannot be loaded is reported on the log and
    // skipped.  Answers whether an importer is in use.
    static bool loadSvgImporter(const QStringList &folders);

    // The application's activity at the canvas's last first-click query:
    // a click that brings the application back only activates the window.
    static bool applicationWasActive();
    static void setApplicationWasActive(bool active);

    // --- Launch and quit -------------------------------------------------
    // The registered defaults (every value text, but "inspector links").
    static QVariantMap defaultsTable();
    // Registers the defaults table.
    void applicationWillFinishLaunching();
    // The launch steps, in order, once the first documents may be open.
    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    // The launch as the program runs it: the defaults, the documents named
    // on the command line (a new one when none opens), then the rest.
    void launch(const QStringList &documentPaths);
    // Clears the canvas's application-was-active flag.
    void applicationDidResignActive();
    bool didFinishLaunching() const { return m_launched; }
    // --- Linked editing ----------------------------------------------------
    // A client program asks to edit an item made here: a new document
    // editing it opens (or the one already editing it comes forward).
    void linkClientDidRequestEdit(const std::shared_ptr<Link> &link) override;
    // The client closed the link: its document closes.
    void linkDidClose(const std::shared_ptr<Link> &link) override;

    // Scripting over the session bus, from the end of the launch on.
    TDScriptingService *scriptingService() const { return m_scripting.get(); }

    // --- Menus -------------------------------------------------------------
    // Each document window registers its items; they follow the key
    // assignment of the moment and are dropped when they go away.
    void registerMenuItem(MenuItem item, QAction *action);
    void registerCheckItem(CheckItem item, QAction *action);
    // The key equivalent of a menu item in each assignment.
    static QKeySequence keyEquivalent(MenuItem item, bool editingText);
    // Every key that triggers the item: the key equivalent, and Ctrl+= beside
    // Ctrl++ (keyboards type "+" only with Shift, "=" without).
    static QList<QKeySequence> keyEquivalents(MenuItem item, bool editingText);
    bool editingText() const { return m_editingText; }
    void setEditingText(bool editing) override;
    void setMenuStates(bool cmykPreview, bool outlineView, bool isolation) override;
    // Posts "Ruler units did change"; the unit itself is the defaults'
    // "measurementUnits".
    void changeUnits();
    void setMeasurementUnits(int units);
    // Re-centres every open canvas, keeping what each shows in view.
    void changeCentering();
    // The manual ("Scrivane Manual.pdf" in the documentation folder of the
    // installation, or beside the program in the build tree) opened in the
    // desktop's PDF viewer; where it is missing the desktop says so.
    static QString manualPath(const QString &applicationDirPath);
    static void showHelp();
    // The product's web page in the default browser.
    static const QString WebsiteAddress;
    static void gotoWebsite();
    // The user's pictures folder in the file manager, from which pictures
    // are dragged onto a drawing.
    static void showMediaBrowser();

    // --- Soft proof ------------------------------------------------------------
    // The profiles the soft proof can show (grey, RGB and CMYK ones of the
    // colour folders, in list order), read at launch or on first use.
    const std::vector<ProfilePtr> &proofProfiles();
    // Replaces the list (tests, or a rescan): the one named in "proof
    // color space" is chosen, the last of equal names, else none.
    void setProofProfiles(std::vector<ProfilePtr> profiles);
    // Chooses the list's entry; its name goes to "proof color space" and
    // "color proof did change" is posted.  -1 chooses none.
    void setProofProfile(int index);
    int proofProfileIndex() const { return m_proofIndex; }
    ProfilePtr proofProfile() const;

    // --- Panels ------------------------------------------------------------------
    // The inspector, made when launching finishes; null before.
    TDInspectorController *inspector() const { return m_inspector.get(); }
    // Shows the inspector pane of the menu item's tag.
    void showInspectorPanelAction(int tag);
    // Makes the inspector (and its palettes) when there is none and
    // follows the current document; the palettes show as their defaults say
    // when launching finishes.
    void showInspector();

    // --- Export accessory ---------------------------------------------------
    TDExportPane *exportPane();
    int exportFormat() const override;
    void setExportFormatTitle(int tag, const QString &title) override;
    int exportDocumentBounds() const override;
    void enableSelectionBounds(bool enable) override;
    void enableResolution(bool enable) override;
    void enableTransparent(bool enable) override;
    int exportDPI() const override;
    bool exportTransparent() const override;

private:
    void applyKeyEquivalents();
    template <size_t N>
    static void prune(std::array<std::vector<QPointer<QAction>>, N> &lists);

    std::unique_ptr<UnitsTransformerService> m_units;
    std::unique_ptr<TDExportPane> m_exportPane;
    std::unique_ptr<TDScriptingService> m_scripting;
    std::unique_ptr<TDInspectorController> m_inspector;
    std::array<std::vector<QPointer<QAction>>, size_t(MenuItem::Count)> m_menuItems;
    std::array<std::vector<QPointer<QAction>>, size_t(CheckItem::Count)> m_checkItems;
    bool m_editingText = false;
    bool m_launched = false;
    std::optional<std::vector<ProfilePtr>> m_proofProfiles;
    int m_proofIndex = -1;
};

} // namespace scrivane
