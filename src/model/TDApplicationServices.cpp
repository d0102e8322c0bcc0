#include "model/TDApplicationServices.h"

namespace scrivane {

namespace {
TDLayerControllerInterface *g_layerController = nullptr;
TDInspectorInterface *g_inspector = nullptr;
TDEffectsControllerInterface *g_effectsController = nullptr;
TDAppDelegateInterface *g_appDelegate = nullptr;
TDUnitsTransformerInterface *g_unitsTransformer = nullptr;
} // namespace

TDLayerControllerInterface *TDApplicationServices::layerController()
{
    return g_layerController;
}
void TDApplicationServices::setLayerController(TDLayerControllerInterface *controller)
{
    g_layerController = controller;
}
TDInspectorInterface *TDApplicationServices::inspector()
{
    return g_inspector;
}
void TDApplicationServices::setInspector(TDInspectorInterface *inspector)
{
    g_inspector = inspector;
}
TDEffectsControllerInterface *TDApplicationServices::effectsController()
{
    return g_effectsController;
}
void TDApplicationServices::setEffectsController(TDEffectsControllerInterface *controller)
{
    g_effectsController = controller;
}
TDAppDelegateInterface *TDApplicationServices::appDelegate()
{
    return g_appDelegate;
}
void TDApplicationServices::setAppDelegate(TDAppDelegateInterface *delegate)
{
    g_appDelegate = delegate;
}
TDUnitsTransformerInterface *TDApplicationServices::unitsTransformer()
{
    return g_unitsTransformer;
}
void TDApplicationServices::setUnitsTransformer(TDUnitsTransformerInterface *transformer)
{
    g_unitsTransformer = transformer;
}

} // namespace scrivane
