#pragma once

#include <QFileDialog>
#include <QStringList>

namespace scrivane {

class TDPackageProxyModel;

// Open, save and export dialogs that treat document packages as documents:
// choosing a package (by Open, a double click, or typing its name) picks it
// instead of entering it, while plain folders are entered as usual.  Saves
// end in the package extension and ask before replacing what is there;
// exports end in one of the format's extensions.
class TDPackageFileDialog : public QFileDialog {
    Q_OBJECT
public:
    enum class Purpose { OpenDocuments, SaveDocument, Export };

    // `packageExtensions` (without the dot) name packages; the first is
    // the one saves end in.
    TDPackageFileDialog(QWidget *parent, Purpose purpose, const QStringList &packageExtensions);

    Purpose purpose() const { return m_purpose; }
    // The paths chosen when the dialog was accepted.
    const QStringList &chosenPaths() const { return m_chosen; }

    // Open: plain files with these extensions open as documents too.
    void setDocumentFileExtensions(const QStringList &extensions);
    // Export: the extensions of the chosen format (empty: any name).
    void setAllowedExtensions(const QStringList &extensions, const QString &formatName);
    const QStringList &allowedExtensions() const { return m_allowed; }

    // Asks whether an existing file or package may be replaced (a message
    // box unless replaced, for tests).
    std::function<bool(const QString &path)> confirmReplace;

    // Ends the dialog with the current choice when it is acceptable; an
    // ordinary folder is entered instead.
    void accept() override;

    // The path with the extension it must end in (the first of `allowed`
    // when it ends in none of them).
    static QString withExtension(const QString &path, const QStringList &allowed);

private:
    void onDirectoryEntered(const QString &directory);
    bool acceptPaths(const QStringList &paths);
    bool isPackage(const QString &path) const;

    Purpose m_purpose;
    QStringList m_extensions;
    QStringList m_allowed;
    QStringList m_chosen;
    TDPackageProxyModel *m_proxy;
    bool m_accepting = false;
};

} // namespace scrivane
