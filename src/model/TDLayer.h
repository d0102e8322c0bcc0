#pragma once

#include "model/TDGroup.h"

namespace scrivane {

// A group that the document holds in its ordered layer array.  It differs
// from a group only in its printable flag, its initial flags and the names
// of its undo actions; it is stored as a group under the class name
// "TDLayer".
class TDLayer : public TDGroup {
public:
    TDLayer();

    // A layer with this name in this document: the name stays (no counter
    // name) and no child is touched.
    static std::shared_ptr<TDLayer> layerWithName(const QString &name, TDDocumentInterface *document);
    void initWithName(const QString &name, TDDocumentInterface *document);

    bool printable() const { return m_printable; }
    void setPrintable(bool printable) { m_printable = printable; }

    static std::shared_ptr<TDLayer> objectWithYAML(const PropertyList &dictionary);
    QString archiveClassName() const override { return QStringLiteral("TDLayer"); }
    QStringList archiveClassHierarchy() const override;
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);
    QString defaultNameFormat() const override;

protected:
    QString visibleActionName() const override { return QStringLiteral("Set layer visible"); }
    QString lockedActionName() const override { return QStringLiteral("Set layer locked"); }

private:
    bool m_printable = true;
};

} // namespace scrivane
