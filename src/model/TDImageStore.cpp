#include "model/TDImageStore.h"

namespace scrivane {

namespace {
// Main thread only, like the store itself.
TDImageStore *g_shared = nullptr;
int g_saveImageData = 0;
} // namespace

TDImageStore *TDImageStore::shared()
{
    return g_shared;
}

void TDImageStore::setShared(TDImageStore *store)
{
    g_shared = store;
}

bool TDImageStore::saveImageData()
{
    return g_saveImageData > 0;
}

TDImageStore::SaveImageDataScope::SaveImageDataScope()
{
    ++g_saveImageData;
}

TDImageStore::SaveImageDataScope::~SaveImageDataScope()
{
    --g_saveImageData;
}

} // namespace scrivane
