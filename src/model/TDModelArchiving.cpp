#include "model/TDModelArchiving.h"

#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDFillStyle.h"
#include "model/TDFilter.h"
#include "model/TDGraphic.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDLinkBackGraphic.h"
#include "model/TDOval.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/KeyedUnarchiver.h"

#include <mutex>

namespace scrivane {

void TDModelArchiving::registerClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        KeyedUnarchiver::registerClass(QStringLiteral("TDGraphic"), &TDGraphic::decode);
        KeyedUnarchiver::registerClass(QStringLiteral("TDGroup"), &TDGroup::decode);
        KeyedUnarchiver::registerClass(QStringLiteral("TDLayer"), &TDLayer::decode);
        KeyedUnarchiver::registerClass(QStringLiteral("TDRectangle"), &TDRectangle::decode);
        KeyedUnarchiver::registerClass(QStringLiteral("TDOval"), &TDOval::decode);
        KeyedUnarchiver::registerClass(QStringLiteral("TDBezierGraphic"), &TDBezierGraphic::decode);
        KeyedUnarchiver::registerClass(QStringLiteral("TDLinkBackGraphic"), &TDLinkBackGraphic::decode);
        TDFillStyle::registerArchiveClass();
        TDStrokeStyle::registerArchiveClass();
        TDBezierPath::registerArchiveClass();
        TDFilter::registerArchiveClass();
    });
}

} // namespace scrivane
